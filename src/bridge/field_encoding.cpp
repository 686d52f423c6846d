#include "bridge/field_encoding.h"

#include "core/leading_number.h"
#include "net/bytes.h"

EncodedField EncodeField(std::string_view field) {
  if (!field.empty() && (field[0] == 'S' || field[0] == 's')) {
    ByteString text(field.substr(1));
    text.push_back('\0');
    return {std::move(text), kKindText};
  }
  if (field.find('.') != std::string_view::npos) {
    return {SingleToBytes(ReadLeadingSingle(field)), kKindReal};
  }
  return {LongToBytes(RoundToLong(ReadLeadingNumber(field))), kKindInteger};
}
