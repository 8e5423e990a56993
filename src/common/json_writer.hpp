#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/variant.hpp"

namespace zorvanil {

// Writes JSON text straight into a string, without building a document first: answers of many
// rows are written once, value by value. Commas are placed by the writer; the caller opens and
// closes objects and arrays and names members with key().
//
// Variants are written as the protocol carries them: unassigned and null as null, numbers as
// numbers (a double always with a fraction or exponent, so that it reads back as a double), text
// as text (UTF-8 as it is, control characters escaped, and a byte that is not UTF-8 read as
// Latin-1, so that the text is always UTF-8), dates "YYYY-MM-DD", times
// "HH:MM:SS", blobs base64, arrays as arrays; a packet through the packet writer given, or null
// when there is none.
class JsonWriter {
  public:
    using PacketWriter = void (*)(JsonWriter&, const packet::DataPacket&);

    explicit JsonWriter(std::string& out, PacketWriter packets = nullptr)
        : out_(out), packets_(packets) {}

    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }
    JsonWriter& key(std::string_view name);

    JsonWriter& null();
    JsonWriter& boolean(bool value);
    JsonWriter& integer(std::int64_t value);
    JsonWriter& number(double value);
    JsonWriter& string(std::string_view text);
    JsonWriter& value(const Variant& value);
    // JSON text written elsewhere, placed as one value.
    JsonWriter& raw(std::string_view json);

  private:
    JsonWriter& open(char bracket);
    JsonWriter& close(char bracket);
    void separate() {
        if (needComma_) out_ += ',';
        needComma_ = true;
    }
    void quoted(std::string_view text);

    std::string& out_;
    PacketWriter packets_;
    bool needComma_ = false;
};

// One variant as JSON text.
std::string variantJsonText(const Variant& value, JsonWriter::PacketWriter packets = nullptr);

}  // namespace zorvanil
