#include "foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <unistd.h>

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
    EXPECT_EQ(Value(-3).description(), "-3");
    EXPECT_EQ(Value(Value::Date { 0 }).description(), "2001-01-01 00:00:00 +0000");
    EXPECT_EQ(Value(Value::Date { -0.5 }).description(), "2000-12-31 23:59:59 +0000");
    EXPECT_EQ(Value(Value::Date { 1e300 }).description(), "(invalid date)");
    EXPECT_EQ(Value(Value::Data { "\x01\xab" }).description(), "{length = 2, bytes = 0x01ab}");
    const Value dict(Value::Dictionary { { "a b", "x y" }, { "n", 1 }, { "list", Value::array({ "p", "q r" }) } });
    EXPECT_EQ(dict.description(),
        "{\n    \"a b\" = \"x y\";\n    list = (\n        p,\n        \"q r\"\n    );\n    n = 1;\n}");
}
