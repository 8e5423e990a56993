#!/usr/bin/python3
"""A client of zorvanil-server written with Python's websockets module, not with the C++ client
library: it builds an object, runs one read through AS_GetRecords and prints the first value of
each row, one a line. Usage: wss_client.py URL SQL [--ca-file PEM] [--access-key KEY].
Any failure prints "error: ..." and exits with 1."""

import argparse
import asyncio
import json
import ssl
import sys

import websockets


async def call(ws, request_id, method, params):
    await ws.send(json.dumps({"jsonrpc": "2.0", "id": request_id, "method": method,
                              "params": params}))
    answer = json.loads(await ws.recv())
    if "error" in answer:
        raise RuntimeError(answer["error"]["message"])
    return answer["result"]


async def main(args):
    context = None
    if args.url.startswith("wss://"):
        context = ssl.create_default_context(cafile=args.ca_file)
    async with websockets.connect(args.url, ssl=context, open_timeout=10) as ws:
        create = {"class": "ZORVANIL.AZORVANIL"}
        if args.access_key is not None:
            create["accessKey"] = args.access_key
        await call(ws, 1, "CreateObject", create)
        result = await call(ws, 2, "AS_GetRecords",
                            {"ProviderName": "DSPQ_PROCEDURE", "Count": -1, "Options": 1,
                             "CommandText": args.sql})
        for row in result["result"]["rows"]:
            print(row[0])


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("url")
    parser.add_argument("sql")
    parser.add_argument("--ca-file")
    parser.add_argument("--access-key")
    arguments = parser.parse_args()
    try:
        asyncio.run(main(arguments))
    except Exception as e:  # every failure is the test's answer
        print(f"error: {type(e).__name__}: {e}")
        sys.exit(1)
