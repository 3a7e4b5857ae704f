#include "platform/ui/ColorBox.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/Dialogs.h"

using platform::ColorBox;

namespace {

struct ScriptedColors {
    platform::ScriptedDialogs* script = nullptr;
    std::unique_ptr<platform::Dialogs> previous;
    ScriptedColors() {
        auto scripted = std::make_unique<platform::ScriptedDialogs>();
        script = scripted.get();
        previous = platform::SetDialogs(std::move(scripted));
    }
    ~ScriptedColors() { platform::SetDialogs(std::move(previous)); }
};

int IndexOfText(const ColorBox& box, const char* text) {
    return box.findText(QString::fromLatin1(text));
}

}  // namespace

TEST(ColorBox, OffersTheStandardColoursUnderPrettyNames) {
    ColorBox box;
    struct Case {
        const char* name;
        std::uint32_t bgr;
    } cases[] = {{"Black", 0x000000},  {"Navy", 0x800000},   {"Red", 0x0000FF},
                 {"Silver", 0xC0C0C0}, {"Yellow", 0x00FFFF}, {"Money Green", 0xC0DCC0}};
    for (const Case& c : cases) {
        const int index = IndexOfText(box, c.name);
        ASSERT_GE(index, 0) << c.name;
        box.setCurrentIndex(index);
        EXPECT_EQ(box.Selected(), c.bgr) << c.name;
    }
    EXPECT_EQ(box.itemText(0), "Custom...");
}

TEST(ColorBox, SelectingInCodeRaisesNothingAndKeepsUnlistedColours) {
    ColorBox box;
    int changed = 0;
    QObject::connect(&box, &ColorBox::colorChanged, [&](std::uint32_t) { ++changed; });
    box.SetSelected(0x800000);
    EXPECT_EQ(box.currentText(), "Navy");
    box.SetSelected(0x123456);
    EXPECT_EQ(box.Selected(), 0x123456u);
    EXPECT_EQ(box.currentIndex(), 0);
    box.SetSelected(0xFF000000 | 0xC0C0C0);  // bits above the colour are not part of it
    EXPECT_EQ(box.currentText(), "Silver");
    EXPECT_EQ(changed, 0);
}

TEST(ColorBox, AChoiceOfTheUserRaisesTheNewColour) {
    ScriptedColors colors;
    ColorBox box;
    box.SetSelected(0x000000);
    std::vector<std::uint32_t> changed;
    QObject::connect(&box, &ColorBox::colorChanged,
                     [&](std::uint32_t bgr) { changed.push_back(bgr); });

    const int red = IndexOfText(box, "Red");
    box.setCurrentIndex(red);
    emit box.activated(red);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0], 0x0000FFu);

    colors.script->colors = {0x00A0B0C0};
    box.setCurrentIndex(0);
    emit box.activated(0);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[1], 0xA0B0C0u);
    EXPECT_EQ(box.Selected(), 0xA0B0C0u);

    // A cancelled dialog leaves the colour as it was and raises nothing.
    colors.script->colors = {-1};
    box.SetSelected(0x0000FF);
    box.setCurrentIndex(0);
    emit box.activated(0);
    EXPECT_EQ(changed.size(), 2u);
    EXPECT_EQ(box.Selected(), 0x0000FFu);
}
