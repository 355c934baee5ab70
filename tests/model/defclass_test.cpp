// Defoliation classes of stored values, per cent and damage classes, as one table each.
#include "model/defclass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using model::DefClass;
using model::ValueType;

namespace {

// Whole per cents by range: the ties 10, 30, 50, 70 and 90 go to the even class.
struct PercentRange
{
    int from, to, cls;
};
const PercentRange kPercent[] = {{-30, -11, -1}, {-10, 10, 0}, {11, 29, 1},  {30, 50, 2},
                                 {51, 69, 3},    {70, 90, 4},  {91, 109, 5}, {110, 140, -1}};

} // namespace

TEST(DefClass, WholePerCentsFallIntoTheDocumentedClasses)
{
    for (const auto &range : kPercent)
        for (int percent = range.from; percent <= range.to; ++percent)
            EXPECT_EQ(DefClass(percent, ValueType::Percent), range.cls) << percent << " %";
}

TEST(DefClass, DamageClassesAreTheirOwnClassWithinZeroToFive)
{
    const int expected[] = {-1, 0, 1, 2, 3, 4, 5, -1};
    for (int value = -1; value <= 6; ++value)
        EXPECT_EQ(DefClass(value, ValueType::DamageClasses), expected[value + 1]) << value;
    EXPECT_EQ(DefClass(2.5, ValueType::DamageClasses), 2);
    EXPECT_EQ(DefClass(4.6, ValueType::DamageClasses), 5);
    EXPECT_EQ(DefClass(5.2, ValueType::DamageClasses), -1);
}

TEST(DefClass, NotANumberAndUnknownValueTypesHaveNoClass)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(DefClass(nan, ValueType::Percent), -1);
    EXPECT_EQ(DefClass(nan, ValueType::DamageClasses), -1);
    EXPECT_EQ(DefClass(50, static_cast<ValueType>(2)), -1);
}

TEST(ClassValue, GivesTheDamageClassPerCentOrMinusOne)
{
    const double expected[] = {-1, 5.0, 17.5, 42.5, 65.0, 85.0, 100.0, -1};
    for (int cls = -1; cls <= 6; ++cls)
        EXPECT_EQ(model::ClassValue(cls), expected[cls + 1]) << cls;
}
