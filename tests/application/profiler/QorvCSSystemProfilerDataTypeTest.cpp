#include "QorvCSSystemProfilerDataType.h"

#include "foundation/Assert.h"
#include "foundation/Log.h"

#include <gtest/gtest.h>

using qorv::Value;

namespace {

using Dictionary = Value::Dictionary;
using Array = Value::Array;

QorvCSSystemProfilerDataType dataTypeWith(Dictionary raw)
{
    return QorvCSSystemProfilerDataType(Value(std::move(raw)));
}

Dictionary describedBy(std::initializer_list<std::pair<std::string, Value>> orders)
{
    Dictionary properties;
    for (const auto& [name, order] : orders)
        properties.emplace(name, order.isNull() ? Dictionary {} : Dictionary { { "_order", order } });
    return properties;
}

std::vector<std::string> namesOf(const Array& records)
{
    std::vector<std::string> names;
    for (const auto& record : records)
        names.push_back(record.find("name")->stringOr(""));
    return names;
}

} // namespace

TEST(QorvCSSystemProfilerDataType, LaterItemsWinAndInternalKeysAreHidden)
{
    const auto dataType = dataTypeWith({
        { "_dataType", "SPExampleDataType" },
        { "_items",
            Array { Dictionary { { "_name", "first" }, { "x", 1 }, { "only_first", "a" } }, Value("not an item"),
                Dictionary { { "_name", "second" }, { "x", 2 }, { "_internal", true } } } },
        { "_properties", Dictionary {} },
    });
    EXPECT_EQ(dataType.name(), "second");
    EXPECT_EQ(dataType.dataType(), "SPExampleDataType");
    const Dictionary expected { { "x", 2 }, { "only_first", "a" } };
    EXPECT_EQ(dataType.items(), expected);
    EXPECT_EQ(dataType.rawCombinedItems().size(), 4u) << "the combined items keep the internal keys";
}

TEST(QorvCSSystemProfilerDataType, PresentationOrder)
{
    struct Case {
        const char* what;
        Dictionary properties;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "numbers compare numerically", describedBy({ { "a", 10 }, { "b", 20 }, { "c", 5 } }), { "c", "a", "b" } },
        { "strings compare as text", describedBy({ { "a", "10" }, { "b", "20" }, { "c", "5" } }), { "a", "b", "c" } },
        { "reals and integers compare as numbers", describedBy({ { "a", 2.5 }, { "b", 2 }, { "c", 3 } }),
            { "b", "a", "c" } },
        { "integers above the signed range compare as numbers",
            describedBy(
                { { "a", Value(18446744073709551615ull) }, { "b", -1 }, { "c", Value(9223372036854775808ull) } }),
            { "b", "c", "a" } },
        { "equal orders fall back to the name", describedBy({ { "b", "7" }, { "a", "7" }, { "c", "1" } }),
            { "c", "a", "b" } },
        { "no order sorts first", describedBy({ { "z", Value() }, { "a", "1" }, { "y", Value() } }),
            { "y", "z", "a" } },
        { "names compare case-sensitively", describedBy({ { "b", Value() }, { "B", Value() }, { "a b", Value() } }),
            { "B", "a b", "b" } },
        { "mixed kinds give a total order",
            describedBy({ { "s", "1" }, { "n", 100 }, { "d", Array {} }, { "t", "0" } }), { "n", "t", "s", "d" } },
    };
    for (const auto& c : cases) {
        const auto dataType
            = dataTypeWith({ { "_dataType", "T" }, { "_items", Array {} }, { "_properties", c.properties } });
        EXPECT_EQ(dataType.orderedKeys(), c.expected) << c.what;
    }
}

TEST(QorvCSSystemProfilerDataType, OrderedItemsListEveryPropertyOnce)
{
    const auto dataType = dataTypeWith({
        { "_dataType", "T" },
        { "_items",
            Array {
                Dictionary { { "_name", "n" }, { "zeta", 1 }, { "beta", "b" }, { "Alpha", "A" }, { "gamma", "g" } } } },
        { "_properties", describedBy({ { "_name", "0" }, { "gamma", "1" }, { "beta", "2" }, { "absent", "3" } }) },
    });
    const Array records = dataType.orderedItems();
    EXPECT_EQ(namesOf(records), (std::vector<std::string> { "gamma", "beta", "Alpha", "zeta" }))
        << "described ones in order, the absent one skipped, the rest by name";
    const Dictionary first { { "name", "gamma" }, { "value", "g" } };
    EXPECT_EQ(records.front(), Value(first));
    EXPECT_EQ(records.back(), Value(Dictionary { { "name", "zeta" }, { "value", 1 } }));
}

TEST(QorvCSSystemProfilerDataType, MissingEntriesUseDefaultsAndAreLoggedOnceShortened)
{
    qorv::LogCapture log;
    const auto onlyIdentifier = dataTypeWith({ { "_dataType", "SPOnlyDataType" } });
    for (int rendering = 0; rendering < 3; ++rendering) {
        EXPECT_TRUE(onlyIdentifier.items().empty());
        EXPECT_TRUE(onlyIdentifier.orderedItems().empty());
        EXPECT_EQ(onlyIdentifier.name(), "SPOnlyDataType");
    }
    size_t itemLines = 0;
    for (const auto& line : log.lines())
        if (line.starts_with("QorvCSSystemProfilerDataType missing _items entry: {"))
            ++itemLines;
    EXPECT_EQ(itemLines, 1u) << "however often the entry is looked up";
    EXPECT_TRUE(
        log.contains("QorvCSSystemProfilerDataType missing _properties entry: {\n    _dataType = SPOnlyDataType;\n}"))
        << "a small dictionary is in the line whole";

    const auto anonymous = dataTypeWith(
        { { "_items", Array { Dictionary { { "x", std::string(100000, 'x') } } } }, { "_properties", Dictionary {} } });
    EXPECT_EQ(anonymous.dataType(), "Untitled");
    EXPECT_EQ(anonymous.name(), "Untitled");
    ASSERT_TRUE(log.contains("QorvCSSystemProfilerDataType missing _dataType entry: "));
    for (const auto& line : log.lines())
        EXPECT_LT(line.size(), 1100u) << "a large data type is not written whole";
}

TEST(QorvCSSystemProfilerDataType, RequiresADictionary)
{
    for (const Value& raw : { Value(), Value("SPSoftwareDataType"), Value(Array {}) }) {
        try {
            QorvCSSystemProfilerDataType::systemProfilerDataTypeWithRawDataType(raw);
            ADD_FAILURE() << "accepted " << raw.description();
        } catch (const qorv::AssertionFailure& e) {
            EXPECT_STREQ(e.what(), "Invalid parameter not satisfying: aRawDataType");
        }
    }
}
