#include "foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace qorv;

namespace {

const std::string dataDir = std::string(CELLSHEET_TEST_DATA) + "/foundation/plist/";

Value everyType()
{
    Value::Dictionary nested { { "inner", Value::array({ 1, Value(Value::Dictionary { { "deep", "yes" } }) }) } };
    return Value(Value::Dictionary {
        { "string", "Grüße ☃ <&> \"quoted\"" },
        { "emptyString", "" },
        { "zero", 0 },
        { "negative", -42 },
        { "min", std::numeric_limits<int64_t>::min() },
        { "max", std::numeric_limits<int64_t>::max() },
        { "real", 0.1 },
        { "tiny", -1.25e-300 },
        { "yes", true },
        { "no", false },
        { "date", Value::Date { 730902645 } },
        { "before2001", Value::Date { -86400.0 * 400 } },
        { "data", Value::Data { std::string("\0\x01\xfe\xff", 4) } },
        { "emptyData", Value::Data {} },
        { "array", Value::array({ "a", 2, 3.5, Value::array({}) }) },
        { "emptyDictionary", Value::Dictionary {} },
        { "nested", nested },
    });
}

// A binary property list from encoded objects (references of refSize bytes), offsets of 4 bytes, root 0.
std::string binaryPlist(const std::vector<std::string>& objects, int refSize)
{
    std::string out = "bplist00";
    std::vector<uint32_t> offsets;
    for (const auto& o : objects) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        out += o;
    }
    const uint64_t table = out.size();
    auto bigEndian = [&](uint64_t v, int size) {
        for (int k = size - 1; k >= 0; --k)
            out += static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    for (uint32_t o : offsets)
        bigEndian(o, 4);
    out += std::string(6, '\0');
    out += static_cast<char>(4);
    out += static_cast<char>(refSize);
    bigEndian(objects.size(), 8);
    bigEndian(0, 8);
    bigEndian(table, 8);
    return out;
}

// A reference of four bytes.
std::string ref(uint32_t object)
{
    return { static_cast<char>(object >> 24), static_cast<char>(object >> 16), static_cast<char>(object >> 8),
        static_cast<char>(object) };
}

std::string nestedXML(size_t depth)
{
    std::string xml = "<plist>";
    for (size_t i = 0; i < depth; ++i)
        xml += "<array>";
    xml += "<string>innermost</string>";
    for (size_t i = 0; i < depth; ++i)
        xml += "</array>";
    return xml + "</plist>";
}

// Arrays nested depth deep in the binary form; each object holds the next.
std::string nestedBinary(size_t depth)
{
    std::vector<std::string> objects;
    for (size_t i = 0; i < depth; ++i)
        objects.push_back("\xA1" + ref(static_cast<uint32_t>(i + 1)));
    objects.push_back("\x59innermost");
    return binaryPlist(objects, 4);
}

} // namespace

TEST(PropertyList, XMLRoundTripKeepsEveryType)
{
    const Value original = everyType();
    const std::string xml = PropertyList::toXML(original);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC", 0), 0u) << xml;
    const auto read = PropertyList::parse(xml);
    ASSERT_TRUE(read) << read.error;
    for (const auto& [key, value] : *original.asDictionary()) {
        const Value* back = read.value.find(key);
        ASSERT_NE(back, nullptr) << key;
        EXPECT_EQ(*back, value) << key << ": " << value.description() << " came back as " << back->description();
    }
    EXPECT_EQ(read.value, original);
}

TEST(PropertyList, NullsInsideContainersAreLeftOut)
{
    const Value v(Value::Dictionary { { "gone", Value() }, { "kept", Value::array({ Value(), 1 }) } });
    const auto read = PropertyList::parse(PropertyList::toXML(v));
    ASSERT_TRUE(read);
    EXPECT_EQ(read.value, Value(Value::Dictionary { { "kept", Value::array({ 1 }) } }));
}

TEST(PropertyList, BinaryAndXMLFilesReadTheSame)
{
    const auto binary = PropertyList::readFile(dataDir + "all-types.binary.plist");
    const auto xml = PropertyList::readFile(dataDir + "all-types.xml.plist");
    ASSERT_TRUE(binary) << binary.error;
    ASSERT_TRUE(xml) << xml.error;
    EXPECT_EQ(binary.value, xml.value);
    const Value& v = binary.value;
    EXPECT_EQ(v.find("string")->stringOr(""), "Grüße ☃");
    EXPECT_EQ(v.find("negative")->asInteger(), -42);
    EXPECT_EQ(v.find("big")->asInteger(), 9007199254740993);
    EXPECT_EQ(v.find("real")->asReal(), 0.1);
    EXPECT_EQ(*v.find("yes")->asBoolean(), true);
    EXPECT_EQ(*v.find("no")->asBoolean(), false);
    EXPECT_EQ(v.find("date")->asDate()->secondsSinceReferenceDate, 730902645);
    EXPECT_EQ(v.find("date")->description(), "2024-02-29 12:30:45 +0000");
    EXPECT_EQ(v.find("data")->asData()->bytes, std::string("\0\x01\xfe\xff", 4));
    EXPECT_EQ(v.find("array")->at(2)->at(0)->asReal(), 3.5);
    EXPECT_EQ(v.find("array")->at(3)->find("k")->stringOr(""), "v");
    EXPECT_EQ(v.find("empty")->asDictionary()->size(), 0u);
}

TEST(PropertyList, BadInputGivesAReason)
{
    struct Case {
        std::string bytes;
        const char* error;
    };
    const Case cases[] = {
        { "", "empty input" },
        { "hello, world", "not a property list" },
        { "<?xml version=\"1.0\"?><plist><dict><key>a</key>", "malformed property list" },
        { "<html><body>not a plist</body></html>", "malformed property list" },
        { "bplist00\xff\xff\xff", "malformed property list" },
        { std::string("bplist00") + std::string(40, '\0'), "malformed property list" },
    };
    for (const auto& c : cases) {
        const auto r = PropertyList::parse(c.bytes);
        EXPECT_FALSE(r) << c.bytes;
        EXPECT_TRUE(r.value.isNull());
        EXPECT_EQ(r.error, c.error) << c.bytes;
    }
    const auto truncated = PropertyList::readFile(dataDir + "malformed.plist");
    EXPECT_FALSE(truncated);
    EXPECT_EQ(truncated.error, "malformed property list");
    const auto missing = PropertyList::readFile(dataDir + "no-such-file.plist");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.error, "cannot open: No such file or directory");

    // What a resource folder may hold instead of a file: a folder, or a FIFO that no one writes.
    std::string folder = (std::filesystem::temp_directory_path() / "plist-fifo-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    ASSERT_EQ(::mkfifo((folder + "/Info.plist").c_str(), 0600), 0);
    EXPECT_EQ(PropertyList::readFile(folder).error, "not a regular file");
    EXPECT_EQ(PropertyList::readFile(folder + "/Info.plist").error, "not a regular file");
    std::filesystem::remove_all(folder);
}

TEST(PropertyList, RequiredRootType)
{
    const auto wrong = PropertyList::readFile(dataDir + "wrong-root.plist", Value::Type::Dictionary);
    EXPECT_FALSE(wrong);
    EXPECT_EQ(wrong.error, "root is an array, not a dictionary");
    const auto right = PropertyList::readFile(dataDir + "wrong-root.plist", Value::Type::Array);
    ASSERT_TRUE(right) << right.error;
    EXPECT_EQ(right.value.at(0)->stringOr(""), "a dictionary was expected");
    const auto binaryDict = PropertyList::readFile(dataDir + "all-types.binary.plist", Value::Type::Array);
    EXPECT_EQ(binaryDict.error, "root is a dictionary, not an array");
}

TEST(PropertyList, WriteFileReplacesWholeAndReportsFailure)
{
    const auto dir = std::filesystem::temp_directory_path() / ("plist-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "out.plist").string();
    std::ofstream(path) << "old contents";
    EXPECT_EQ(PropertyList::writeXMLFile(path, everyType()), "");
    const auto read = PropertyList::readFile(path);
    ASSERT_TRUE(read) << read.error;
    EXPECT_EQ(read.value, everyType());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no temporary file is left";
    EXPECT_EQ(
        PropertyList::writeXMLFile((dir / "missing" / "out.plist").string(), Value(1)), "No such file or directory");
    std::filesystem::remove_all(dir);
}

TEST(PropertyList, NULCharactersBecomeReplacementCharacters)
{
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        std::string bytes;
        Value expected;
    };
    const Case cases[] = {
        { "<plist><string>a&#0;b</string></plist>", Value("a" + fffd + "b") },
        { std::string("<plist><string>a\0b</string></plist>", 30), Value("a" + fffd + "b") },
        { "<plist><string>&#x9B;2J</string></plist>", Value(fffd + "2J") },
        { "<plist><dict><key>k&#x0;</key><string>&#27;[31m\xFF</string></dict></plist>",
            Value(Value::Dictionary { { "k" + fffd, Value(fffd + "[31m" + fffd) } }) },
        { binaryPlist({ "\x53" + std::string("a\0b", 3) }, 1), Value("a" + fffd + "b") },
        { binaryPlist({ "\xD1\x01\x02", "\x51k", std::string("\x61\0\0", 3) }, 1),
            Value(Value::Dictionary { { "k", Value(fffd) } }) },
        { binaryPlist({ "\xD1\x01\x02", std::string("\x52k\0", 3), "\x51v" }, 1),
            Value(Value::Dictionary { { "k" + fffd, Value("v") } }) },
    };
    for (const auto& c : cases) {
        const auto r = PropertyList::parse(c.bytes);
        ASSERT_TRUE(r) << r.error;
        EXPECT_EQ(r.value, c.expected) << r.value.description();
    }
}

TEST(PropertyList, NestingIsBoundedWhileReading)
{
    for (const auto& [bytes, depth] : { std::pair { nestedXML(512), 512 }, std::pair { nestedBinary(512), 512 } }) {
        const auto r = PropertyList::parse(bytes);
        ASSERT_TRUE(r) << r.error;
        const Value* v = &r.value;
        for (int i = 0; i < depth; ++i)
            v = v->at(0);
        EXPECT_EQ(v->stringOr(""), "innermost");
    }
    for (const std::string& bytes : { nestedXML(513), nestedBinary(513), nestedXML(200000), nestedBinary(100000) })
        EXPECT_EQ(PropertyList::parse(bytes).error, "property list nested more than 512 levels deep");

    // An array holding itself, and arrays that each hold the next twice (2^40 values once expanded).
    EXPECT_EQ(PropertyList::parse(binaryPlist({ "\xA1" + ref(0) }, 4)).error, "malformed property list");
    std::vector<std::string> doubling;
    for (uint32_t i = 0; i < 40; ++i)
        doubling.push_back("\xA2" + ref(i + 1) + ref(i + 1));
    doubling.push_back("\x08");
    EXPECT_EQ(PropertyList::parse(binaryPlist(doubling, 4)).error, "property list too large once expanded");
}

TEST(PropertyList, ValuesOutsideThe32BitAndSignedRangesStayExact)
{
    const std::string xml
        = "<plist><array><integer>18446744073709551615</integer><integer>9223372036854775808</integer>"
          "<date>1900-01-01T00:00:00Z</date><date>2100-12-31T23:59:59Z</date>"
          "<date>0001-01-01T00:00:00Z</date></array></plist>";
    const auto r = PropertyList::parse(xml);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.value.at(0)->asUnsigned(), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(r.value.at(0)->asInteger(), std::nullopt);
    EXPECT_EQ(r.value.at(0)->description(), "18446744073709551615");
    EXPECT_EQ(r.value.at(1)->description(), "9223372036854775808");
    EXPECT_EQ(r.value.at(2)->description(), "1900-01-01 00:00:00 +0000");
    EXPECT_EQ(r.value.at(3)->description(), "2100-12-31 23:59:59 +0000");
    const std::string written = PropertyList::toXML(r.value);
    for (const char* element : { "<integer>18446744073709551615</integer>", "<date>1900-01-01T00:00:00Z</date>",
             "<date>2100-12-31T23:59:59Z</date>", "<date>0001-01-01T00:00:00Z</date>" })
        EXPECT_NE(written.find(element), std::string::npos) << element << " in " << written;
    EXPECT_EQ(PropertyList::parse(written).value, r.value);
}

TEST(PropertyList, WrittenTextIsCleanXML)
{
    const std::string fffd = "\xEF\xBF\xBD";
    const Value dirty(Value::Dictionary { { "\x01key", "\x1b]0;title\x07 \xC3 ok\r\n\xC2\x9B" } });
    const std::string xml = PropertyList::toXML(dirty);
    EXPECT_NE(xml.find("<key>" + fffd + "key</key>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<string>" + fffd + "]0;title" + fffd + " " + fffd + " ok&#13;\n" + fffd + "</string>"),
        std::string::npos)
        << xml;
    EXPECT_TRUE(PropertyList::parse(xml)) << "well-formed XML";
}

TEST(Value, CopiesAreIndependent)
{
    Value a = Value::array({ 1, Value(Value::Dictionary { { "k", "v" } }) });
    Value b = a;
    b.asArray()->push_back(3);
    (*(*b.asArray())[1].asDictionary())["k"] = "changed";
    EXPECT_EQ(a.asArray()->size(), 2u);
    EXPECT_EQ(a.at(1)->find("k")->stringOr(""), "v");
    EXPECT_EQ(b.at(1)->find("k")->stringOr(""), "changed");
    EXPECT_NE(a, b);
}

TEST(Value, TypedAccessAndDescription)
{
    EXPECT_EQ(Value(1).asString(), nullptr);
    EXPECT_EQ(Value("1").asInteger(), std::nullopt);
    EXPECT_EQ(Value(1e300).asInteger(), std::nullopt);
    EXPECT_EQ(Value(-2.7).asInteger(), -2);
    EXPECT_EQ(Value(true).asInteger(), 1);
    EXPECT_EQ(Value("x").find("k"), nullptr);
    EXPECT_EQ(Value::array({ 1 }).at(1), nullptr);
    EXPECT_EQ(Value(1).stringOr("fallback"), "fallback");

    EXPECT_EQ(Value().description(), "(null)");
    EXPECT_EQ(Value(0.1).description(), "0.1");
    for (const auto& [number, text] : { std::pair { 10.0, "10" }, { 1200.0, "1200" }, { -2.5e16, "-25000000000000000" },
             { 1e20, "1e+20" }, { 1.5e-7, "1.5e-07" }, { 0.00025, "0.00025" } })
        EXPECT_EQ(Value(number).description(), text);
    EXPECT_EQ(Value(-3).description(), "-3");
    EXPECT_EQ(Value(Value::Date { 0 }).description(), "2001-01-01 00:00:00 +0000");
    EXPECT_EQ(Value(Value::Date { -0.5 }).description(), "2000-12-31 23:59:59 +0000");
    EXPECT_EQ(Value(Value::Date { 1e300 }).description(), "(invalid date)");
    EXPECT_EQ(Value(Value::Data { "\x01\xab" }).description(), "{length = 2, bytes = 0x01ab}");
    const Value dict(Value::Dictionary { { "a b", "x y" }, { "n", 1 }, { "list", Value::array({ "p", "q r" }) } });
    EXPECT_EQ(dict.description(),
        "{\n    \"a b\" = \"x y\";\n    list = (\n        p,\n        \"q r\"\n    );\n    n = 1;\n}");
}
