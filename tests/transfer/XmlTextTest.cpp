// Attribute text for the Group Policy file, without Windows: this file also builds with the
// host's compiler (with the sanitizers) against transfer/XmlText.cpp alone.
#include "transfer/XmlText.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::transfer;

TEST(XmlTextTest, WhatXmlCarriesIsWrittenExactlyAndAnythingElseIsRefusedWhole) {
    struct Row {
        std::string given;
        XmlRefusal refusal;
        std::string written; // when not refused
    };
    const Row rows[] = {
        {"plain text", XmlRefusal::None, "plain text"},
        {"a&b<c>\"d'", XmlRefusal::None, "a&amp;b&lt;c&gt;&quot;d'"},
        {"tab\tLF\nCR\r", XmlRefusal::None, "tab&#9;LF&#10;CR&#13;"},
        {"\xF0\x9F\x98\x80 \xEF\xBF\xBD \x7F\xC2\x85", XmlRefusal::None,
         "\xF0\x9F\x98\x80 \xEF\xBF\xBD \x7F\xC2\x85"},
        {"\xEF\xBF\xBC\xEE\x80\x80", XmlRefusal::None, "\xEF\xBF\xBC\xEE\x80\x80"},
        {"", XmlRefusal::None, ""},
        {"bell\x07", XmlRefusal::ControlCharacter, ""},
        {std::string("nul\0inside", 10), XmlRefusal::ControlCharacter, ""},
        {"ring\xEF\xBF\xBE", XmlRefusal::NonCharacter, ""},
        {"\xEF\xBF\xBF", XmlRefusal::NonCharacter, ""},
        {"half \xED\xA0\xBD", XmlRefusal::Surrogate, ""},
        {"\xED\xBF\xBF", XmlRefusal::Surrogate, ""},
        {"\xC0\xAF", XmlRefusal::BrokenUtf8, ""},         // an overlong "/"
        {"\xE0\x80\xAF", XmlRefusal::BrokenUtf8, ""},     // the same in three bytes
        {"abc\xE2\x82", XmlRefusal::BrokenUtf8, ""},      // cut short
        {"\xF4\x90\x80\x80", XmlRefusal::BrokenUtf8, ""}, // past U+10FFFF
        {"\x80", XmlRefusal::BrokenUtf8, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.given));
        std::string out = "<a v=\"";
        EXPECT_EQ(AppendXmlAttribute(row.given, out), row.refusal);
        EXPECT_EQ(out, "<a v=\"" + (row.refusal == XmlRefusal::None ? row.written : ""));
    }
}

} // namespace
