#include "image/key_store.h"

#include "image/data_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using namespace rk::image;

namespace {

class KeyStoreTest : public ::testing::Test {
protected:
    void SetUp() override { initialiseImage(*image); }

    std::string stored(KeyKind kind, int position, int key) const {
        const KeySetting* setting = keySetting(*image, kind, position, key);
        if (setting == nullptr || setting->programmed == 0) return "<none>";
        return std::string(settingText(*setting));
    }

    bool untouched() const { return std::memcmp(&image->keys, &before->keys, sizeof(KeyTable)) == 0; }
    void remember() { *before = *image; }

    std::unique_ptr<DataImage> image = std::make_unique<DataImage>();
    std::unique_ptr<DataImage> before = std::make_unique<DataImage>();
};

} // namespace

TEST_F(KeyStoreTest, KeyStringsOfBothFormsAreStoredUnderPositionAndKeyNumber) {
    EXPECT_EQ(programKey(*image, "i92_101_01-1"), kKeyStored);
    EXPECT_EQ(programKey(*image, "i92_152_07-3,0312345678"), kKeyStored);
    EXPECT_EQ(programKey(*image, "i92_153_99,0312345678"), kKeyStored);
    EXPECT_EQ(programKey(*image, "i92_200_00"), kKeyStored);
    EXPECT_EQ(programKey(*image, "i14_101_01n_03>12-34<>"), kKeyStored);
    EXPECT_EQ(programKey(*image, "i14_103_43n"), kKeyStored);
    EXPECT_EQ(programKey(*image, "i14_104_43n_"), kKeyStored);

    EXPECT_EQ(stored(KeyKind::OneTouch, 101, 1), "-1");
    EXPECT_EQ(stored(KeyKind::OneTouch, 152, 7), "-3,0312345678");
    EXPECT_EQ(stored(KeyKind::OneTouch, 153, 99), ",0312345678");
    EXPECT_EQ(stored(KeyKind::OneTouch, 200, 0), "");
    EXPECT_EQ(stored(KeyKind::Anything, 101, 1), "n_03>12-34<>");
    EXPECT_EQ(stored(KeyKind::Anything, 103, 43), "n");
    EXPECT_EQ(stored(KeyKind::Anything, 104, 43), "n_");
    // The two kinds are kept apart.
    EXPECT_EQ(stored(KeyKind::Anything, 101, 2), "<none>");
    EXPECT_EQ(stored(KeyKind::OneTouch, 103, 43), "<none>");

    // The stored key gives back the string that programmed it.
    EXPECT_EQ(keyString(KeyKind::OneTouch, 152, 7, *keySetting(*image, KeyKind::OneTouch, 152, 7)),
              "i92_152_07-3,0312345678");
    EXPECT_EQ(keyString(KeyKind::Anything, 103, 43, *keySetting(*image, KeyKind::Anything, 103, 43)),
              "i14_103_43n");
    EXPECT_EQ(keyString(KeyKind::Anything, 105, 1, *keySetting(*image, KeyKind::Anything, 105, 1)), "");
}

TEST_F(KeyStoreTest, ReprogrammingReplacesTheWholeSetting) {
    ASSERT_EQ(programKey(*image, "i92_120_05-9,0312345678901234"), kKeyStored);
    ASSERT_EQ(programKey(*image, "i92_120_05-2"), kKeyStored);
    EXPECT_EQ(stored(KeyKind::OneTouch, 120, 5), "-2");
    const KeySetting& slot = *keySetting(*image, KeyKind::OneTouch, 120, 5);
    for (std::size_t i = 2; i < slot.text.size(); ++i) EXPECT_EQ(slot.text[i], '\0') << i;
}

TEST_F(KeyStoreTest, PositionsAndKeyNumbersOutsideTheTableAreRefused) {
    remember();
    EXPECT_EQ(programKey(*image, "i92_100_01"), kKeyOutOfRange);
    EXPECT_EQ(programKey(*image, "i92_201_01"), kKeyOutOfRange);
    EXPECT_EQ(programKey(*image, "i14_000_43n"), kKeyOutOfRange);
    EXPECT_EQ(programKey(*image, "i14_999_43n"), kKeyOutOfRange);
    EXPECT_TRUE(untouched());

    EXPECT_EQ(keySetting(*image, KeyKind::OneTouch, 100, 0), nullptr);
    EXPECT_EQ(keySetting(*image, KeyKind::OneTouch, 201, 0), nullptr);
    EXPECT_EQ(keySetting(*image, KeyKind::OneTouch, 101, -1), nullptr);
    EXPECT_EQ(keySetting(*image, KeyKind::OneTouch, 101, 100), nullptr);
    EXPECT_EQ(keySetting(*image, static_cast<KeyKind>(2), 101, 0), nullptr);
    EXPECT_NE(keySetting(*image, KeyKind::Anything, 200, 99), nullptr);
}

TEST_F(KeyStoreTest, SettingsLongerThanASlotAreRefused) {
    const std::string fits = "i92_110_10," + std::string(kKeySettingTextSize - 1, '7');
    const std::string tooLong = "i92_110_11," + std::string(kKeySettingTextSize, '7');
    EXPECT_EQ(programKey(*image, fits), kKeyStored);
    remember();
    EXPECT_EQ(programKey(*image, tooLong), kKeyTooLong);
    EXPECT_TRUE(untouched());
    EXPECT_EQ(stored(KeyKind::OneTouch, 110, 10).size(), kKeySettingTextSize);
}

TEST_F(KeyStoreTest, MalformedKeyStringsChangeNothing) {
    remember();
    const char* malformed[] = {
        "",                // nothing
        "i92_101_0",       // key number cut short
        "i93_101_01",      // neither kind
        "I92_101_01",      // kinds are lower case
        "i92_1x1_01",      // position not digits
        "i92_101-01",      // no "_" before the key number
        "i92_1011_01",     // position of four digits
        "i92_101_012",     // key number of three digits
        "i92_101_01-",     // empty token after "-"
        "i92_101_01,",     // empty token after ","
        "i92_101_01,1-2",  // "-" after ","
        "i92_101_01-1-2",  // two "-"
        "i92_101_01-as",   // "s" never survives the converter
        "i92_101_01-a@b",  // nor "@"
        "i92_101_01-a\tb", // control characters
        "i92_101_01n",     // anything-key form under the one-touch kind
        "i14_103_43",      // anything key without "n"
        "i14_103_43n_a_b", // "_" inside the token
        "i14_103_43n_(a)", // "(" and ")" arrive as "<" and ">"
        "i14_103_43n_a<b", // "(" closes the token: nothing but "<" and ">" after it
        "i14_103_43n_a,b", // "," splits keys
        "i14_103_43x",     // unknown setting
    };
    for (const char* key : malformed) EXPECT_EQ(programKey(*image, key), kKeyMalformed) << key;
    EXPECT_EQ(programKey(*image, std::string_view("i92_101_01-a\0b", 14)), kKeyMalformed);
    EXPECT_TRUE(untouched());
}

TEST_F(KeyStoreTest, InitialisingTheImageForgetsEveryKeyAndStaysDeterministic) {
    ASSERT_EQ(programKey(*image, "i92_101_01-1"), kKeyStored);
    ASSERT_EQ(programKey(*image, "i14_200_99n_5"), kKeyStored);
    initialiseImage(*image);
    EXPECT_EQ(stored(KeyKind::OneTouch, 101, 1), "<none>");
    EXPECT_EQ(stored(KeyKind::Anything, 200, 99), "<none>");

    initialiseImage(*before);
    EXPECT_EQ(std::memcmp(image.get(), before.get(), sizeof(DataImage)), 0);

    ASSERT_EQ(programKey(*image, "i92_101_01-1"), kKeyStored);
    clearKeys(*image);
    EXPECT_TRUE(untouched());
}
