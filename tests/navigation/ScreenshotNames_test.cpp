#include "navigation/ScreenshotNames.h"

#include <gtest/gtest.h>

TEST(ScreenshotNames, PositionsOfArrangements) {
    using Names = std::vector<std::string>;
    struct Row {
        const char* arrangement;
        std::vector<QRect> screens;
        Names names;
    };
    const Row rows[] = {
        {"one", {QRect(0, 0, 1920, 1080)}, {"Primary"}},
        {"two side by side", {QRect(0, 0, 800, 600), QRect(800, 0, 640, 480)}, {"Left", "Right"}},
        {"second listed first",
         {QRect(800, 0, 640, 480), QRect(0, 0, 800, 600)},
         {"Right", "Left"}},
        {"three in a row",
         {QRect(0, 0, 800, 600), QRect(800, 0, 1024, 768), QRect(1824, 0, 640, 480)},
         {"Left", "Middle", "Right"}},
        {"two stacked", {QRect(0, 0, 800, 600), QRect(0, 600, 800, 600)}, {"Top", "Bottom"}},
        {"stacked, lower first",
         {QRect(0, 600, 800, 600), QRect(0, 0, 800, 600)},
         {"Bottom", "Top"}},
        {"equal edges", {QRect(0, 0, 800, 600), QRect(0, 0, 1024, 768)}, {"Monitor1", "Monitor2"}},
        {"three at one corner",
         {QRect(0, 0, 800, 600), QRect(0, 0, 640, 480), QRect(0, 0, 1024, 768)},
         {"Monitor1", "Monitor2", "Monitor3"}},
        {"2 x 2",
         {QRect(0, 0, 800, 600), QRect(800, 0, 800, 600), QRect(0, 600, 800, 600),
          QRect(800, 600, 800, 600)},
         {"Left", "Right", "Left3", "Right4"}},
        {"row of different heights",
         {QRect(0, 0, 800, 600), QRect(800, 0, 640, 480), QRect(1440, 0, 1024, 768)},
         {"Left", "Middle", "Right"}},
        {"one above two: equal left edges count neither way",
         {QRect(0, 0, 800, 600), QRect(0, 600, 800, 600), QRect(800, 600, 800, 600)},
         {"Left", "Left2", "Right"}},
        {"none", {}, {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ScreenPositionNames(row.screens), row.names) << row.arrangement;
}

TEST(ScreenshotNames, FolderAndFileName) {
    EXPECT_EQ(ScreenshotFolder("/h/VLM/2024-05-01/"), "/h/VLM/2024-05-01/PNG/");
    EXPECT_EQ(ScreenshotFileName("/p/", {2024, 5, 1, 9, 7, 5, 250}, "Left3"),
              "/p/PHX 2024-05-01 090705 Left3.png");
}
