#include "phonebook_fixture.h"

#include "phonebook/digit_codes.h"
#include "phonebook/number_index.h"

#include <algorithm>
#include <random>

using namespace rk::phonebook;
using rk::testing::PhonebookTest;

namespace {

// Occupied slots (memory + 1) from the front of the used part, as a list.
std::vector<int> occupied(const rk::image::NumberIndex& index, int count) {
    std::vector<int> values;
    for (int slot = 0; slot <= count; ++slot)
        if (index[slot] != 0) values.push_back(index[slot]);
    return values;
}

} // namespace

using NumberIndexUpkeep = PhonebookTest;

TEST_F(NumberIndexUpkeep, ThreeNumbersStandAtTheEndInOrder) {
    ASSERT_TRUE(storeSystem(0, "2"));
    ASSERT_TRUE(storeSystem(1, "10"));
    ASSERT_TRUE(storeSystem(2, "1"));
    const auto& slots = img().numberIndex;
    EXPECT_EQ(slots[598], 3);
    EXPECT_EQ(slots[599], 2);
    EXPECT_EQ(slots[600], 1);
    EXPECT_EQ(slots[597], 0);
}

TEST_F(NumberIndexUpkeep, CodeOrderPutsSymbolsBeforeDigitsAndLettersAfter) {
    ASSERT_TRUE(storeSystem(0, "P"));
    ASSERT_TRUE(storeSystem(1, "0"));
    ASSERT_TRUE(storeSystem(2, "#"));
    ASSERT_TRUE(storeSystem(3, "M"));
    ASSERT_TRUE(storeSystem(4, "*"));
    ASSERT_TRUE(storeSystem(5, "-"));
    // "#" < "*" < "-" < "0" < "M" < "P"
    EXPECT_EQ(occupied(img().numberIndex, 600), (std::vector<int>{3, 5, 6, 2, 4, 1}));
}

TEST_F(NumberIndexUpkeep, EqualOddNumberGoesAfterEqualEvenNumberBefore) {
    ASSERT_TRUE(storeSystem(0, "123"));
    ASSERT_TRUE(storeSystem(1, "123"));
    EXPECT_EQ(occupied(img().numberIndex, 600), (std::vector<int>{1, 2}));
    ASSERT_TRUE(storeSystem(2, "4567"));
    ASSERT_TRUE(storeSystem(3, "4567"));
    EXPECT_EQ(occupied(img().numberIndex, 600), (std::vector<int>{1, 2, 4, 3}));
}

TEST_F(NumberIndexUpkeep, RestoringAMemoryMovesItsSlot) {
    ASSERT_TRUE(storeSystem(0, "5"));
    ASSERT_TRUE(storeSystem(1, "6"));
    ASSERT_TRUE(storeSystem(2, "7"));
    ASSERT_TRUE(storeSystem(0, "8"));
    EXPECT_EQ(occupied(img().numberIndex, 600), (std::vector<int>{2, 3, 1}));
    // A cleared number keeps its slot.
    ASSERT_TRUE(storeSystem(1, ""));
    EXPECT_EQ(occupied(img().numberIndex, 600), (std::vector<int>{2, 3, 1}));
}

TEST_F(NumberIndexUpkeep, AFullNineHundredNinetyBookStaysSorted) {
    setMode(2);
    clearSystemBook(ws(), 2);
    std::mt19937 random(42);
    std::vector<std::string> numbers;
    for (int memory = 0; memory < 990; ++memory) {
        // Even lengths only: for them the index order is the plain code order.
        std::string number;
        const int length = 2 * (1 + static_cast<int>(random() % 6));
        for (int i = 0; i < length; ++i) number.push_back("0123456789"[random() % 10]);
        numbers.push_back(number);
        ASSERT_TRUE(storeSystem(memory, number));
    }
    const std::vector<int> order = occupied(img().numberIndex, 1000);
    ASSERT_EQ(order.size(), 990u);
    EXPECT_EQ(img().numberIndex[10], 0);
    for (std::size_t i = 1; i < order.size(); ++i) {
        const std::string& before = numbers[static_cast<std::size_t>(order[i - 1] - 1)];
        const std::string& after = numbers[static_cast<std::size_t>(order[i] - 1)];
        EXPECT_LE(detail::compareNumberTexts(before, after), 0) << before << " " << after;
    }
}

TEST(NumberComparison, TerminatorCountsAsZero) {
    EXPECT_EQ(detail::compareNumberTexts("12", "12"), 0);
    EXPECT_LT(detail::compareNumberTexts("12", "123"), 0);
    EXPECT_GT(detail::compareNumberTexts("123 ", "123"), 0);
    EXPECT_LT(detail::compareNumberTexts("#", "*"), 0);
    EXPECT_LT(detail::compareNumberTexts("9", "M"), 0);
    // Only 24 characters take part.
    EXPECT_EQ(detail::compareNumberTexts(std::string(24, '1') + "2", std::string(24, '1') + "3"), 0);
}
