#pragma once
// The information request. The program never edits it directly: it sets three fields of
// the request template and copies the whole template over the request before each call.

#include "record.h"

namespace morvain
{

namespace layout
{
using wire::Encoding;
using wire::Field;
inline constexpr std::array<Field, 12> infoRequest{{
    {"object_length", 0, 4, Encoding::Int32},
    {"word_4", 4, 2, Encoding::Int16},
    {"word_6", 6, 2, Encoding::Int16},
    {"object_kind", 8, 2, Encoding::Int16},
    {"text_10", 10, 32, Encoding::Text},
    {"text_42", 42, 32, Encoding::Text},
    {"text_74", 74, 32, Encoding::Text},
    {"text_106", 106, 32, Encoding::Text},
    {"text_138", 138, 32, Encoding::Text},
    {"text_170", 170, 32, Encoding::Text},
    {"text_202", 202, 16, Encoding::Text},
    {"word_218", 218, 2, Encoding::Int16},
}};
} // namespace layout

using InfoRequest = wire::Record<layout::infoRequest, 220>;
using RequestTemplate = InfoRequest;

} // namespace morvain
