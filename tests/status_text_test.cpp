#include "app/status_text.h"

#include <gtest/gtest.h>

TEST(StatusTextTest, CutsAfterFortySixCharacters) {
    const std::string fortySix(46, 'a');
    EXPECT_EQ(ShortenStatusText(fortySix), fortySix);
    EXPECT_EQ(ShortenStatusText(fortySix + "b"), fortySix + "...");
    EXPECT_EQ(ShortenStatusText(""), "");
}

TEST(StatusTextTest, CountsCharactersNotBytes) {
    std::string japanese;
    for (int i = 0; i < 47; ++i)
        japanese += "\xE9\x9F\xB3"; // 音
    const std::string cut = ShortenStatusText(japanese);
    EXPECT_EQ(cut, japanese.substr(0, 46 * 3) + "...");
}
