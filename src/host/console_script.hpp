#pragma once

// The console of the status page: its style, and a section whose script reads /console.json
// every second and shows each live object with an End button. Ending posts to /console/end with
// the access key typed into the page in the X-Access-Key header. No external assets.

namespace zorvanil::host {

inline constexpr const char* kConsoleStyle =
    "<style>#console table{border-collapse:collapse;font-size:.9em}"
    "#console th,#console td{border-bottom:1px solid #ccc;padding:.2em .6em;text-align:left;"
    "vertical-align:top}#console .sql{font-family:monospace;max-width:32em;overflow-wrap:anywhere}"
    "#console .tx{color:#a00;font-weight:bold}#console .none{color:#888}"
    "#console-state{color:#a00}</style>";

inline constexpr const char* kConsoleSection = R"html(<section id="console">
<h2>Console</h2>
<p id="totals">Objects <b id="t-objects">-</b> &middot; calls per second <b id="t-rate">-</b>
&middot; calls in the last minute <b id="t-calls">-</b> &middot; errors in the last minute
<b id="t-errors">-</b> &middot; open transactions <b id="t-open">-</b>
<span id="t-idle"></span></p>
<p><label>Access key <input id="key" type="password" autocomplete="off"></label>
<span id="console-state"></span></p>
<table>
<thead><tr><th>Object</th><th>Client</th><th>Connected</th><th>Calls</th><th>Running now</th>
<th>Last statement</th><th>Transaction</th><th></th></tr></thead>
<tbody id="objects"><tr><td colspan="8" class="none">Loading&hellip;</td></tr></tbody>
</table>
</section>
<script>
"use strict";
const $ = id => document.getElementById(id);
function duration(s) {
  if (s === null || s === undefined) return "";
  s = Math.floor(s);
  const h = Math.floor(s / 3600), m = Math.floor(s / 60) % 60, r = s % 60;
  const two = n => String(n).padStart(2, "0");
  return (h ? h + ":" + two(m) : String(m)) + ":" + two(r);
}
function cell(row, text, cls) {
  const td = document.createElement("td");
  td.textContent = text;
  if (cls) td.className = cls;
  row.appendChild(td);
  return td;
}
function render(c) {
  $("t-objects").textContent = c.objects;
  $("t-rate").textContent = c.callsPerSecond.toFixed(1);
  $("t-calls").textContent = c.callsLastMinute;
  $("t-errors").textContent = c.errorsLastMinute;
  $("t-open").textContent = c.openTransactions;
  $("t-idle").textContent = c.maxTransactionIdleSeconds > 0
      ? "\u00b7 idle transactions are rolled back after " + c.maxTransactionIdleSeconds + " s" : "";
  const body = $("objects");
  body.replaceChildren();
  if (c.live.length === 0) {
    const row = body.insertRow();
    const td = cell(row, "No live objects", "none");
    td.colSpan = 8;
  }
  for (const o of c.live) {
    const row = body.insertRow();
    row.dataset.object = o.object;
    cell(row, o.object);
    cell(row, o.peer);
    cell(row, duration(o.connectedSeconds) + " (since " + o.connectedAt + ")");
    cell(row, o.calls);
    cell(row, o.operation ? o.operation + " for " + duration(o.operationSeconds)
                          : "idle for " + duration(o.idleSeconds), o.operation ? "" : "none");
    cell(row, o.lastStatement, "sql");
    let tx = o.inTransaction ? "open for " + duration(o.transactionSeconds) : "none";
    if (o.rollbackInSeconds !== null) tx += ", rolled back in " + duration(o.rollbackInSeconds);
    cell(row, tx, o.inTransaction ? "tx" : "none");
    const button = document.createElement("button");
    button.textContent = "End";
    button.onclick = () => end(o.object);
    row.insertCell().appendChild(button);
  }
}
async function poll() {
  try {
    const answer = await fetch("/console.json", {cache: "no-store"});
    render(await answer.json());
    if ($("console-state").dataset.kind === "poll") $("console-state").textContent = "";
  } catch (e) {
    $("console-state").textContent = "The server does not answer";
    $("console-state").dataset.kind = "poll";
  }
}
async function end(object) {
  if (!confirm("End object " + object + "? Its open transaction is rolled back and its client "
               + "is disconnected.")) return;
  const answer = await fetch("/console/end?object=" + object,
                             {method: "POST", headers: {"X-Access-Key": $("key").value}});
  $("console-state").textContent = (await answer.text()).trim();
  $("console-state").dataset.kind = "end";
  poll();
}
poll();
setInterval(poll, 1000);
</script>
)html";

}  // namespace zorvanil::host
