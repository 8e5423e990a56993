// dataPacketFromJsonText: a packet read straight from its JSON text, as the parser reports what it
// reads, without the parsed text beside it. The packet object, its rows and their values are
// read as they come; the parts that are small or rare (the field descriptions, the attributes, a
// row's error, a value that is an array or an object but no nested table) are parsed alone and
// read as the parsed text is read.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/json/basic_parser_impl.hpp>
#include <boost/json/value_stack.hpp>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "packet/json_codec.hpp"
#include "packet/json_packet_parts.hpp"
#include "packet/json_parser.hpp"
#include "packet/packet_error.hpp"

namespace zorvanil::packet {

namespace json = boost::json;
using boost::system::error_code;

namespace {

// The straight reading stops: the packet is read from the parsed text instead.
struct NotStraight {};

// What an object or array being read is, in the packet it goes to.
enum class Part {
    Packet,     // the packet object
    Rows,       // an array of rows: the packet's "rows", or a nested table's
    ArrayRow,   // a row written as the array of its values
    ObjectRow,  // a row written as an object: "status", "values", "error" and fields
    Values,     // the "values" of a row object
    Tree,       // any other value, parsed and then read as the parsed text is read
    Skipped,    // a member of the packet that nothing reads
};

// What a parsed part is read as once it is complete.
enum class TreeUse { Fields, Attributes, Cell, Error };

struct Frame {
    Part part;
    std::vector<PacketField>* fields = nullptr;  // the fields of the rows
    PacketRow* row = nullptr;                    // the row the part belongs to
    std::size_t index = 0;                       // the place of its value in that row
    std::vector<PacketRow>* rows = nullptr;      // Rows: where they go
    std::shared_ptr<DataPacket> nested{};        // Rows of a nested table: its packet
    TreeUse use = TreeUse::Cell;                 // Tree
    std::size_t depth = 0;                       // Tree, Skipped: the objects and arrays open
    bool rowsSeen = false;                       // Packet: "rows" has come
    bool fieldsNamed = false;                    // ObjectRow: a field named outside "values"
};

// The kind of a value as it begins.
enum class Kind { Object, Array, Text, Scalar };

class Handler {
  public:
    static constexpr std::size_t max_object_size = json::object::max_size();
    static constexpr std::size_t max_array_size = json::array::max_size();
    static constexpr std::size_t max_key_size = json::string::max_size();
    static constexpr std::size_t max_string_size = json::string::max_size();

    DataPacket packet;
    bool done = false;

    bool on_document_begin(error_code&) { return true; }
    bool on_document_end(error_code&) { return true; }
    bool on_object_begin(error_code&) {
        if (!opened()) value(Kind::Object);
        return true;
    }
    bool on_object_end(std::size_t n, error_code&) {
        if (!closed([&] { st_.push_object(n); })) end();
        return true;
    }
    bool on_array_begin(error_code&) {
        if (!opened()) value(Kind::Array);
        return true;
    }
    bool on_array_end(std::size_t n, error_code&) {
        if (!closed([&] { st_.push_array(n); })) end();
        return true;
    }
    bool on_key_part(json::string_view s, std::size_t, error_code&) {
        if (inTree())
            st_.push_chars(s);
        else if (!skipping())
            parts_.append(s.data(), s.size());
        return true;
    }
    bool on_key(json::string_view s, std::size_t, error_code&) {
        if (inTree()) {
            st_.push_key(s);
        } else if (!skipping()) {
            key_ = parts_;
            key_.append(s.data(), s.size());
            parts_.clear();
        }
        return true;
    }
    bool on_string_part(json::string_view s, std::size_t, error_code&) {
        if (inTree())
            st_.push_chars(s);
        else if (!skipping())
            parts_.append(s.data(), s.size());
        return true;
    }
    bool on_string(json::string_view s, std::size_t, error_code&) {
        if (inTree()) {
            st_.push_string(s);
        } else if (!skipping()) {
            std::string_view text(s.data(), s.size());
            if (!parts_.empty()) {
                parts_.append(s.data(), s.size());
                text = parts_;
            }
            value(Kind::Text, nullptr, text);
            parts_.clear();
        }
        return true;
    }
    bool on_number_part(json::string_view s, error_code&) {
        number_.append(s.data(), s.size());
        return true;
    }
    bool on_int64(std::int64_t i, json::string_view, error_code&) {
        number_.clear();
        scalar(json::value(i), [&] { st_.push_int64(i); });
        return true;
    }
    bool on_uint64(std::uint64_t u, json::string_view, error_code&) {
        number_.clear();
        scalar(json::value(u), [&] { st_.push_uint64(u); });
        return true;
    }
    bool on_double(double d, json::string_view s, error_code&) {
        std::string_view text(s.data(), s.size());
        if (!number_.empty()) {
            number_.append(s.data(), s.size());
            text = number_;
        }
        const double nearest = nearestDouble(text, d);
        number_.clear();
        scalar(json::value(nearest), [&] { st_.push_double(nearest); });
        return true;
    }
    bool on_bool(bool b, error_code&) {
        scalar(json::value(b), [&] { st_.push_bool(b); });
        return true;
    }
    bool on_null(error_code&) {
        scalar(json::value(nullptr), [&] { st_.push_null(); });
        return true;
    }
    bool on_comment_part(json::string_view, error_code&) { return true; }
    bool on_comment(json::string_view, error_code&) { return true; }

  private:
    bool inTree() const { return !frames_.empty() && frames_.back().part == Part::Tree; }
    bool skipping() const { return !frames_.empty() && frames_.back().part == Part::Skipped; }

    // An object or array opens inside a part parsed or skipped whole; false when there is none.
    bool opened() {
        if (!inTree() && !skipping()) return false;
        ++frames_.back().depth;
        return true;
    }
    // An object or array closes inside a part parsed or skipped whole; false when there is none.
    // The parsed part is read once its last one closes.
    template <class Push>
    bool closed(Push push) {
        if (!inTree() && !skipping()) return false;
        Frame& f = frames_.back();
        if (f.part == Part::Tree) push();
        if (--f.depth > 0) return true;
        if (f.part == Part::Tree) {
            const Frame tree = f;
            frames_.pop_back();
            readTree(tree, st_.release());
        } else {
            frames_.pop_back();
        }
        return true;
    }

    // A number, true, false or null: pushed on the parsed part it belongs to, or read.
    template <class Push>
    void scalar(const json::value& v, Push push) {
        if (inTree())
            push();
        else if (!skipping())
            value(Kind::Scalar, &v);
    }

    Frame& push(Frame f) {
        if (f.part == Part::Tree || f.part == Part::Skipped) f.depth = 1;
        if (f.part == Part::Tree) st_.reset();
        frames_.push_back(std::move(f));
        return frames_.back();
    }
    // A part that is parsed whole begins with this value, or is this value when it is a
    // scalar.
    void tree(Kind kind, const json::value* v, std::string_view text, Frame f) {
        f.part = Part::Tree;
        if (kind == Kind::Object || kind == Kind::Array) {
            push(std::move(f));
            return;
        }
        readTree(
            f, kind == Kind::Text ? json::value(json::string_view(text.data(), text.size())) : *v);
    }

    // A value begins (or is, for a text or a scalar) where the part read at present has it.
    void value(Kind kind, const json::value* v = nullptr, std::string_view text = {}) {
        if (frames_.empty()) {
            if (kind != Kind::Object) throw NotStraight{};
            push({.part = Part::Packet});
            return;
        }
        Frame& f = frames_.back();
        switch (f.part) {
            case Part::Packet:
                packetMember(f, kind, v, text);
                return;
            case Part::Rows:
                row(f, kind);
                return;
            case Part::ArrayRow: {
                PacketRow* r = f.row;
                std::vector<PacketField>* fields = f.fields;
                r->values.emplace_back();
                cell(fields, r, r->values.size() - 1, kind, v, text);
                return;
            }
            case Part::ObjectRow:
                rowMember(f, kind, v, text);
                return;
            case Part::Values:
                namedCell(f.fields, f.row, kind, v, text);
                return;
            case Part::Tree:
            case Part::Skipped:
                break;
        }
    }

    void packetMember(Frame& f, Kind kind, const json::value* v, std::string_view text) {
        const bool container = kind == Kind::Object || kind == Kind::Array;
        if (key_ == "fields" || key_ == "attributes") {
            // The rows are read with the fields known.
            if (key_ == "fields" && f.rowsSeen) throw NotStraight{};
            tree(kind, v, text,
                 {.part = Part::Tree,
                  .use = key_ == "fields" ? TreeUse::Fields : TreeUse::Attributes});
        } else if (key_ == "rows") {
            if (kind != Kind::Array) throw NotStraight{};
            f.rowsSeen = true;
            push({.part = Part::Rows, .fields = &packet.fields, .rows = &packet.rows});
        } else if (container) {
            push({.part = Part::Skipped});
        }
    }

    void row(Frame& f, Kind kind) {
        if (kind != Kind::Array && kind != Kind::Object) throw NotStraight{};
        std::vector<PacketField>* fields = f.fields;
        PacketRow& r = f.rows->emplace_back();
        // Room for a value of every field at once.
        r.values.reserve(fields->size());
        push({.part = kind == Kind::Array ? Part::ArrayRow : Part::ObjectRow,
              .fields = fields,
              .row = &r});
    }

    void rowMember(Frame& f, Kind kind, const json::value* v, std::string_view text) {
        if (key_ == "status") {
            if (kind != Kind::Text) throw NotStraight{};
            f.row->status = json_parts::rowStatus(text);
        } else if (key_ == "values") {
            // The fields that "values" names come before those named beside it.
            if (kind != Kind::Object || f.fieldsNamed) throw NotStraight{};
            push({.part = Part::Values, .fields = f.fields, .row = f.row});
        } else if (key_ == "error") {
            if (kind == Kind::Object)
                push({.part = Part::Tree, .row = f.row, .use = TreeUse::Error});
            else if (kind == Kind::Array)
                push({.part = Part::Skipped});
        } else {
            f.fieldsNamed = true;
            namedCell(f.fields, f.row, kind, v, text);
        }
    }

    void namedCell(std::vector<PacketField>* fields, PacketRow* r, Kind kind, const json::value* v,
                   std::string_view text) {
        const std::size_t index = json_parts::memberField(*fields, key_, kind == Kind::Array);
        if (r->values.size() <= index) r->values.resize(index + 1);
        cell(fields, r, index, kind, v, text);
    }

    void cell(std::vector<PacketField>* fields, PacketRow* r, std::size_t index, Kind kind,
              const json::value* v, std::string_view text) {
        if (kind == Kind::Array && json_parts::nestedTable(*fields, index)) {
            auto nested = std::make_shared<DataPacket>();
            std::vector<PacketRow>* rows = &nested->rows;
            push({.part = Part::Rows,
                  .fields = &(*fields)[index].children,
                  .row = r,
                  .index = index,
                  .rows = rows,
                  .nested = std::move(nested)});
        } else if (kind == Kind::Text) {
            r->values[index] =
                json_parts::textValue(text, index < fields->size() ? &(*fields)[index] : nullptr);
        } else {
            tree(kind, v, text, {.part = Part::Tree, .row = r, .index = index});
        }
    }

    // The part read at present ends.
    void end() {
        Frame& f = frames_.back();
        if (f.part == Part::Rows) {
            json_parts::padRows(*f.rows, f.fields->size());
            if (f.nested) f.row->values[f.index] = Variant(PacketPtr(std::move(f.nested)));
        }
        if (f.part == Part::Packet) done = true;
        frames_.pop_back();
    }

    void readTree(const Frame& f, const json::value& v) {
        switch (f.use) {
            case TreeUse::Fields:
                json_parts::readFields(packet, v);
                break;
            case TreeUse::Attributes:
                json_parts::readAttributes(packet, v);
                break;
            case TreeUse::Cell:
                f.row->values[f.index] = variantFromJson(v);
                break;
            case TreeUse::Error:
                f.row->error = json_parts::rowError(v.get_object());
                break;
        }
    }

    std::vector<Frame> frames_;
    json::value_stack st_;
    std::string key_;     // the key of the member whose value comes next
    std::string parts_;   // the parts read so far of a key or a text that came in several
    std::string number_;  // the parts of a number read so far
};

DataPacket readStraight(std::string_view text) {
    json::basic_parser<Handler> parser(json::parse_options{});
    error_code ec;
    const std::size_t used = parser.write_some(false, text.data(), text.size(), ec);
    if (ec || used < text.size() || !parser.handler().done) throw NotStraight{};
    return std::move(parser.handler().packet);
}

}  // namespace

std::optional<DataPacket> json_parts::straightPacket(std::string_view text) {
    try {
        return readStraight(text);
    } catch (const NotStraight&) {
    } catch (const Error&) {
    }
    return std::nullopt;
}

DataPacket dataPacketFromJsonText(std::string_view text) {
    if (std::optional<DataPacket> packet = json_parts::straightPacket(text))
        return std::move(*packet);
    // The parsed text says what is wrong with the packet, in the words and the order in which
    // it reads its parts.
    error_code ec;
    json::value parsed = parseJson(text, ec);
    if (ec) invalidPacket(msg::kPacketNotAnObject);
    return dataPacketFromJson(parsed);
}

}  // namespace zorvanil::packet
