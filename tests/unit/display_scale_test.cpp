#include <gtest/gtest.h>

#include "support/wizard_fixture.h"
#include "ui/scale.h"

namespace sorvane::test {
namespace {

std::string Text(const ui::Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
           "x" + std::to_string(r.height);
}

// The window lays the controls' 96-dpi rectangles and fonts out at its DPI; at 96
// nothing moves.
TEST(DisplayScale, DesignGeometryAndFontsAtEachScale) {
    WizardFixture w;
    TqnInstaller& f = w.Form();
    struct Row {
        int dpi;
        const char *client, *button2, *label1, *label16, *sayfa_1;
        int body, title, welcome;
    };
    const Row rows[] = {
        {96, "0,0 504x363", "328,328 75x25", "177,8 313x81", "40,181 464x14", "-4,-3 504x317", 11,
         13, 15},
        {120, "0,0 630x454", "410,410 94x31", "221,10 391x101", "50,226 580x18", "-5,-4 630x396",
         14, 16, 19},
        {144, "0,0 756x545", "492,492 113x38", "266,12 470x122", "60,272 696x21", "-6,-5 756x476",
         17, 20, 23},
        {192, "0,0 1008x726", "656,656 150x50", "354,16 626x162", "80,362 928x28",
         "-8,-6 1008x634", 22, 26, 30},
    };
    const ui::Control& sayfa_1 = *f.TabSheet2.children().front();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dpi);
        EXPECT_EQ(Text(ui::ScaleToDpi(f.bounds(), row.dpi)), row.client);
        EXPECT_EQ(Text(ui::ScaleToDpi(f.Button2.ClientBounds(), row.dpi)), row.button2);
        EXPECT_EQ(Text(ui::ScaleToDpi(f.Label1.ClientBounds(), row.dpi)), row.label1);
        EXPECT_EQ(Text(ui::ScaleToDpi(f.Label16.ClientBounds(), row.dpi)), row.label16);
        EXPECT_EQ(Text(ui::ScaleToDpi(sayfa_1.ClientBounds(), row.dpi)), row.sayfa_1);
        EXPECT_EQ(ui::ScaleToDpi(f.Button2.font().height, row.dpi), row.body);
        EXPECT_EQ(ui::ScaleToDpi(f.Edit1.font().height, row.dpi), row.title);
        EXPECT_EQ(ui::ScaleToDpi(f.Label1.font().height, row.dpi), row.welcome);
    }
}

}  // namespace
}  // namespace sorvane::test
