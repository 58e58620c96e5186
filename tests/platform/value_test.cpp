#include "platform/value.h"
#include "platform/window_list.h"

#include <gtest/gtest.h>

using namespace talvora;

// The conversions follow Swift's bridging of Foundation numbers; a looser rule would let a
// fractional or out-of-range window number through as a real window.
TEST(Value, NumbersReadAsIntegersOnlyWhenIntegralAndInRange)
{
    EXPECT_EQ(Value::real(42.0).asInteger<std::uint32_t>(), 42u);
    EXPECT_FALSE(Value::real(42.5).asInteger<std::uint32_t>());
    EXPECT_FALSE(Value::integer(-1).asInteger<std::uint32_t>());
    EXPECT_FALSE(Value::integer(4294967296).asInteger<std::uint32_t>());
    EXPECT_EQ(Value::integer(4294967295).asInteger<std::uint32_t>(), 4294967295u);
    EXPECT_FALSE(Value::real(4294967296.0).asInteger<std::uint32_t>());
    EXPECT_FALSE(Value::real(std::numeric_limits<double>::quiet_NaN()).asInteger<std::int32_t>());
    EXPECT_EQ(Value::integer(-2147483624).asInteger<std::int32_t>(), -2147483624);
    EXPECT_EQ(Value::boolean(true).asInteger<int>(), 1);
}

TEST(Value, BooleansAndStringsConvertOnlyWhereFoundationDoes)
{
    EXPECT_EQ(Value::integer(1).asBool(), true);
    EXPECT_EQ(Value::real(0.0).asBool(), false);
    EXPECT_FALSE(Value::integer(2).asBool());
    EXPECT_FALSE(Value::string("1").asBool());
    EXPECT_FALSE(Value::string("12").asInteger<int>());
    EXPECT_FALSE(Value::string("0.5").asDouble());
    EXPECT_EQ(Value::boolean(true).asDouble(), 1.0);
    EXPECT_FALSE(Value().asDouble());
    EXPECT_FALSE(Value::integer(3).asString());
}

TEST(BoundsValue, NeedsADictionaryWithFourNumbers)
{
    EXPECT_EQ(BoundsValue::dictionary({ 1, 2, 3, 4 }).asRect(), (Rect { 1, 2, 3, 4 }));
    BoundsValue missingHeight = BoundsValue::dictionary({ 1, 2, 3, 4 });
    missingHeight.height = Value();
    EXPECT_FALSE(missingHeight.asRect());
    BoundsValue stringX = BoundsValue::dictionary({ 1, 2, 3, 4 });
    stringX.x = Value::string("-1777");
    EXPECT_FALSE(stringX.asRect());
    BoundsValue notADictionary = BoundsValue::dictionary({ 1, 2, 3, 4 });
    notADictionary.kind = BoundsValue::Kind::NotADictionary;
    EXPECT_FALSE(notADictionary.asRect());
}
