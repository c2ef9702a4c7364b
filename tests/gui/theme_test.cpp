// The looks of the window: the contrast of every pair of colours a
// built-in theme draws (WCAG 2 AA), the window drawing with exactly the
// colours of the theme's table, the marks that tell a state by more than
// colour in every look, and the refusal of a theme file Qt cannot use.
#include "core/content_db.h"
#include "gui/theme_engine.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTabBar>
#include <QTest>

#include <cmath>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

/// WCAG 2 relative luminance of an sRGB colour.
double luminance(const QColor& c) {
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

/// WCAG 2 contrast ratio, 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::string text(const QColor& c) {
    return c.name().toStdString();
}

using Role = QColor ThemeColours::*;

/// Every pair of colours the theme's sheet and the style draw one on the
/// other. Text needs 4.5:1 (none of the window's text is large); frames,
/// the current tab's bar, the scroll bar's handle, ticks and focus frames
/// need 3:1 against what they lie on.
struct Pair {
    const char* what;
    Role foreground;
    Role background;
    double minimum;
};
const Pair Pairs[] = {
    {"text on the window, menus and the current tab", &ThemeColours::text, &ThemeColours::window,
     4.5},
    {"text in lists, fields and info bars", &ThemeColours::text, &ThemeColours::base, 4.5},
    {"button text", &ThemeColours::text, &ThemeColours::button, 4.5},
    {"button text under the pointer", &ThemeColours::text, &ThemeColours::buttonHover, 4.5},
    {"text of the other tabs and table headers", &ThemeColours::text, &ThemeColours::tab, 4.5},
    {"selected rows and menu items", &ThemeColours::selectionText, &ThemeColours::selection, 4.5},
    {"list headings", &ThemeColours::heading, &ThemeColours::window, 4.5},
    {"the demo warning", &ThemeColours::warning, &ThemeColours::window, 4.5},
    {"disabled text on the window", &ThemeColours::disabledText, &ThemeColours::window, 4.5},
    {"disabled text in lists and fields", &ThemeColours::disabledText, &ThemeColours::base, 4.5},
    {"disabled button text", &ThemeColours::disabledText, &ThemeColours::button, 4.5},
    {"disabled text of the other tabs", &ThemeColours::disabledText, &ThemeColours::tab, 4.5},
    {"frames of controls on the window", &ThemeColours::border, &ThemeColours::window, 3.0},
    {"frames of lists and fields", &ThemeColours::border, &ThemeColours::base, 3.0},
    {"the current tab's bar on the window", &ThemeColours::currentTab, &ThemeColours::window, 3.0},
    {"the current tab's bar beside the other tabs", &ThemeColours::currentTab, &ThemeColours::tab,
     3.0},
    {"the scroll bar's handle in its trough", &ThemeColours::selection, &ThemeColours::base, 3.0},
    {"focus frames on selected rows", &ThemeColours::selectionText, &ThemeColours::selection, 3.0},
};

} // namespace

TEST(ThemeColours, EveryPairDrawnMeetsWcagAA) {
    const QList<ThemeColours>& themes = ThemeEngine::builtInColours();
    ASSERT_EQ(themes.size(), 4);
    for (const ThemeColours& theme : themes) {
        SCOPED_TRACE(theme.name.toStdString());
        for (const Pair& pair : Pairs) {
            const QColor fg = theme.*pair.foreground;
            const QColor bg = theme.*pair.background;
            EXPECT_GE(contrast(fg, bg), pair.minimum)
                << pair.what << ": " << text(fg) << " on " << text(bg);
        }
    }
    EXPECT_EQ(ThemeEngine::builtInNames(),
              (QStringList{u"Deep Blue"_s, u"Soft Grey"_s, u"Crystal"_s, u"Sand"_s}));
}

TEST(ThemeColours, WithThemesOffTheWarningReadsOnLightAndDarkDesktops) {
    // Window colours of common desktop palettes, light and dark.
    for (const QRgb window :
         {0xffffffu, 0xefefefu, 0xeff0f1u, 0xdcdcdcu, 0x31363bu, 0x2d2d2du, 0x000000u}) {
        QPalette desktop;
        desktop.setColor(QPalette::Window, QColor(window));
        const QColor red = ThemeEngine::plainWarningColour(desktop);
        EXPECT_GE(contrast(red, QColor(window)), 4.5)
            << text(red) << " on " << text(QColor(window));
        const int hue = red.hsvHue();
        EXPECT_TRUE((hue <= 10 || hue >= 350) && red.hsvSaturation() >= 100)
            << text(red) << " is red";
    }
}

namespace {

TContentRecord map(int n, bool installed) {
    TContentRecord r;
    r.ArchiveName = u"DM-Map%1.zip"_s.arg(n, 2, 10, QChar(u'0'));
    r.ArchiveDir = u"/srv/maps/"_s;
    r.DisplayName = installed ? r.ArchiveName.chopped(4) : QString();
    r.Installed = installed ? 1 : 0;
    r.AddedDate = u"2026-01-05"_s;
    return r;
}

/// A look as the menu sets it: -1 is themes off, else a built-in theme.
struct Look {
    int index;
    const char* what;
};
const Look Looks[] = {
    {-1, "themes off"}, {0, "Deep Blue"}, {1, "Soft Grey"}, {2, "Crystal"}, {3, "Sand"}};

class ThemeWindowTest : public WindowFixture {
protected:
    /// The window on the Maps page with enough maps to scroll, shown and
    /// active so that its lists can take the keyboard focus.
    TForm1& startShown() {
        tree.folder(u"prog"_s);
        QList<TContentRecord> records;
        for (int i = 0; i < 60; ++i)
            records.append(map(i, i % 4 == 0));
        content_db::WriteAll(prog(u"mapdata.dat"_s), records);
        TForm1& w = start();
        w.state().StartingUp = false;
        w.showPage(TForm1::MapsTab);
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        return w;
    }
    /// Chooses `look` through the Change Theme menu.
    void choose(TForm1& w, const Look& look) {
        if (look.index < 0) {
            if (w.themes().enabled())
                control<QAction>(w, u"ToggleTheme1"_s)->trigger();
        } else {
            const QStringList items = {u"DeepBlue1"_s, u"SoftGrey1"_s, u"Crystal1"_s, u"Sand1"_s};
            control<QAction>(w, items[look.index])->trigger();
        }
        ASSERT_EQ(w.themes().enabled(), look.index >= 0);
    }
};

QColor colour(const QWidget* w, QPalette::ColorRole role,
              QPalette::ColorGroup group = QPalette::Active) {
    return w->palette().color(group, role);
}

} // namespace

TEST_F(ThemeWindowTest, TheWindowDrawsWithTheColoursOfTheThemesTable) {
    const QPalette desktop = QApplication::palette();
    TForm1& w = startShown();
    const QListWidget* LBinst = control<QListWidget>(w, u"LBinst"_s);
    const QLabel* StatusBar2 = control<QLabel>(w, u"StatusBar2"_s);
    const QLabel* heading = nullptr;
    for (const QLabel* label : w.findChildren<QLabel*>(u"heading"_s)) {
        if (label->buddy() == LBinst)
            heading = label;
    }
    ASSERT_NE(heading, nullptr) << "the list's heading names it";
    for (int index = 0; index < 4; ++index) {
        const ThemeColours& c = ThemeEngine::builtInColours().at(index);
        SCOPED_TRACE(c.name.toStdString());
        choose(w, Looks[index + 1]);
        EXPECT_EQ(colour(LBinst, QPalette::Base), c.base);
        EXPECT_EQ(colour(LBinst, QPalette::Text), c.text);
        EXPECT_EQ(colour(LBinst, QPalette::Highlight), c.selection);
        EXPECT_EQ(colour(LBinst, QPalette::HighlightedText), c.selectionText);
        EXPECT_EQ(colour(heading, QPalette::WindowText), c.heading);
        const QPushButton* install = control<QPushButton>(w, u"bInstallMaps"_s);
        EXPECT_EQ(colour(install, QPalette::Button), c.button);
        EXPECT_EQ(colour(install, QPalette::ButtonText), c.text);
        // The scroll bar and the Demos page's fields follow the theme.
        const QScrollBar* bar = LBinst->verticalScrollBar();
        EXPECT_EQ(colour(bar, QPalette::Base), c.base);
        EXPECT_EQ(colour(bar, QPalette::Highlight), c.selection);
        EXPECT_EQ(colour(bar, QPalette::Text), c.text);
        EXPECT_EQ(colour(StatusBar2, QPalette::Window), c.base);
        EXPECT_EQ(colour(StatusBar2, QPalette::WindowText), c.text);
        const QComboBox* DirBox = control<QComboBox>(w, u"DirBox"_s);
        EXPECT_EQ(colour(DirBox, QPalette::Base), c.base);
        EXPECT_EQ(colour(DirBox, QPalette::Text), c.text);
        EXPECT_EQ(colour(control<QLabel>(w, u"DemoWarningTitle"_s), QPalette::WindowText),
                  c.warning);
        // While busy the pages are disabled: their text takes the
        // theme's disabled colour.
        QColor busyButtonText;
        QColor busyListText;
        w.runCommand(CommandBoundary::Long, CommandBoundary::Reads, [&] {
            busyButtonText = colour(install, QPalette::ButtonText, QPalette::Disabled);
            busyListText = colour(LBinst, QPalette::Text, QPalette::Disabled);
        });
        EXPECT_EQ(busyButtonText, c.disabledText);
        EXPECT_EQ(busyListText, c.disabledText);
    }
    // Off again: the desktop's palette, the cream info bars.
    choose(w, Looks[0]);
    EXPECT_EQ(QApplication::palette(), desktop);
    EXPECT_EQ(colour(StatusBar2, QPalette::Window), QColor(0xff, 0xfb, 0xe6));
    EXPECT_EQ(colour(StatusBar2, QPalette::WindowText), QColor(Qt::black));
    EXPECT_GE(
        contrast(colour(StatusBar2, QPalette::WindowText), colour(StatusBar2, QPalette::Window)),
        4.5);
    const QLabel* title = control<QLabel>(w, u"DemoWarningTitle"_s);
    EXPECT_GE(contrast(colour(title, QPalette::WindowText), desktop.color(QPalette::Window)), 4.5);
}

namespace {

/// The top-most row of `tab`'s middle column that differs from the
/// background beside the tabs.
int topOf(const QImage& image, const QRect& tab, QRgb background) {
    const int x = tab.center().x();
    for (int y = tab.top(); y <= tab.bottom(); ++y) {
        if (image.pixel(x, y) != background)
            return y;
    }
    return tab.bottom();
}

/// The pixels of `band` that differ between `before` and `after`: the
/// best contrast among them (0 when none differs).
double bestChange(const QImage& before, const QImage& after, const QRect& band) {
    double best = 0;
    const QRect inside = band.intersected(before.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (before.pixel(x, y) != after.pixel(x, y))
                best = std::max(best, contrast(before.pixelColor(x, y), after.pixelColor(x, y)));
        }
    }
    return best;
}

QImage picture(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST_F(ThemeWindowTest, StatesShowByMoreThanColourInEveryLook) {
    TForm1& w = startShown();
    QTabWidget* PC1 = control<QTabWidget>(w, u"PC1"_s);
    QListWidget* LBinst = control<QListWidget>(w, u"LBinst"_s);
    QListWidget* LBun = control<QListWidget>(w, u"LBun"_s);
    QCheckBox* DelZip = control<QCheckBox>(w, u"DelZip"_s);
    for (const Look& look : Looks) {
        SCOPED_TRACE(look.what);
        choose(w, look);
        QCoreApplication::processEvents();

        // The current tab stands higher than the others.
        const QImage tabs = picture(PC1);
        const QTabBar* bar = PC1->tabBar();
        const QRgb beside = tabs.pixel(PC1->width() - 2, 1);
        ASSERT_LT(bar->geometry().right(), PC1->width() - 2) << "room beside the tabs";
        const int currentTop = topOf(tabs, bar->tabRect(0).translated(bar->pos()), beside);
        for (int i = 1; i < bar->count(); ++i)
            EXPECT_LT(currentTop, topOf(tabs, bar->tabRect(i).translated(bar->pos()), beside))
                << "tab " << i;

        // The list with the keyboard focus frames its current entry, on
        // all four sides, selected or not.
        for (bool selected : {false, true}) {
            SCOPED_TRACE(selected ? "selected" : "not selected");
            LBinst->clearSelection();
            LBinst->setCurrentRow(3, selected ? QItemSelectionModel::ClearAndSelect
                                              : QItemSelectionModel::NoUpdate);
            LBun->setFocus();
            const QImage unfocused = picture(LBinst->viewport());
            LBinst->setFocus();
            ASSERT_TRUE(LBinst->hasFocus());
            const QImage focused = picture(LBinst->viewport());
            const QRect item = LBinst->visualItemRect(LBinst->item(3));
            const QRect sides[] = {
                {item.left(), item.top(), item.width(), 3},
                {item.left(), item.bottom() - 2, item.width(), 3},
                {item.left(), item.top(), 3, item.height()},
                {item.right() - 2, item.top(), 3, item.height()},
            };
            for (const QRect& side : sides)
                EXPECT_GE(bestChange(unfocused, focused, side), 3.0)
                    << side.x() << "," << side.y() << " " << side.width() << "x" << side.height();
        }

        // A ticked box shows a mark inside the box, not a filled box.
        QStyleOptionButton option;
        option.initFrom(DelZip);
        const QRect box =
            DelZip->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, DelZip);
        DelZip->setChecked(false);
        const QImage unticked = picture(DelZip);
        DelZip->setChecked(true);
        const QImage ticked = picture(DelZip);
        const QRect inside = box.adjusted(2, 2, -2, -2);
        int changed = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x)
                changed += unticked.pixel(x, y) != ticked.pixel(x, y) ? 1 : 0;
        }
        const int area = inside.width() * inside.height();
        EXPECT_GT(changed, area / 8) << "a mark " << changed << " of " << area;
        EXPECT_LT(changed, area * 2 / 3) << "not a fill " << changed << " of " << area;
        EXPECT_GE(bestChange(unticked, ticked, inside), 3.0);
        DelZip->setChecked(false);

        // The scroll bar: a handle and arrows that stand out from the trough.
        QScrollBar* scroll = LBinst->verticalScrollBar();
        ASSERT_GT(scroll->maximum(), 0);
        scroll->setValue(0);
        QStyleOptionSlider slider;
        slider.initFrom(scroll);
        slider.orientation = Qt::Vertical;
        slider.minimum = scroll->minimum();
        slider.maximum = scroll->maximum();
        slider.sliderPosition = slider.sliderValue = scroll->value();
        slider.singleStep = scroll->singleStep();
        slider.pageStep = scroll->pageStep();
        slider.subControls = QStyle::SC_All;
        auto part = [&](QStyle::SubControl sub) {
            return scroll->style()->subControlRect(QStyle::CC_ScrollBar, &slider, sub, scroll);
        };
        const QImage bars = picture(scroll);
        const QColor trough = bars.pixelColor(part(QStyle::SC_ScrollBarAddPage).center());
        const QColor handle = bars.pixelColor(part(QStyle::SC_ScrollBarSlider).center());
        EXPECT_GE(contrast(handle, trough), 3.0) << text(handle) << " in " << text(trough);
        for (QStyle::SubControl arrow :
             {QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddLine}) {
            double best = 0;
            const QRect r = part(arrow);
            for (int y = r.top(); y <= r.bottom(); ++y) {
                for (int x = r.left(); x <= r.right(); ++x)
                    best = std::max(best, contrast(bars.pixelColor(x, y), trough));
            }
            EXPECT_GE(best, 3.0) << "arrow " << int(arrow);
        }
        if (look.index >= 0) {
            const ThemeColours& c = ThemeEngine::builtInColours().at(look.index);
            EXPECT_EQ(trough, c.base);
            EXPECT_EQ(handle, c.selection);
        }
    }
}

namespace {

/// A theme file as "Load theme .." meets it.
struct ThemeFile {
    const char* what;
    std::function<QString(testing_support::TempTree&)> make;
    const char* says; ///< part of the box's text; empty: taken
};

} // namespace

TEST_F(ThemeWindowTest, AThemeFileQtCannotUseIsRefusedAndTheLookStays) {
    const ThemeFile files[] = {
        {"a sound style sheet",
         [](testing_support::TempTree& t) {
             return t.file(u"mine.qss"_s, "QWidget { color: #102030; }\n");
         },
         ""},
        {"unbalanced braces",
         [](testing_support::TempTree& t) {
             return t.file(u"broken.qss"_s, "QWidget { color: red; }\n}} QLabel {\n");
         },
         "is not a style sheet Qt can read. The look stays as it was.\r\r"
         "Correct the file's syntax"},
        {"a picture",
         [](testing_support::TempTree& t) {
             return t.file(u"picture.qss"_s,
                           QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18));
         },
         "is not a text file. The look stays as it was.\r\rChoose a Qt style sheet (.qss) saved "
         "as UTF-8 text"},
        {"a folder", [](testing_support::TempTree& t) { return t.folder(u"themes.qss"_s); },
         "\r\rChoose another file or one of the built-in themes."},
    };
    TForm1& w = start();
    control<QAction>(w, u"Sand1"_s)->trigger();
    for (const ThemeFile& f : files) {
        SCOPED_TRACE(f.what);
        control<QAction>(w, u"Crystal1"_s)->trigger();
        const QString before = qApp->styleSheet();
        const QPalette palette = QApplication::palette();
        const QString path = f.make(tree);
        dialogs.shown.clear();
        dialogs.openAnswers.push_back({path});
        control<QAction>(w, u"LoadTheme1"_s)->trigger();
        const QString says = QString::fromUtf8(f.says);
        if (says.isEmpty()) {
            EXPECT_EQ(dialogs.shown.size(), 1); // the open dialog only
            EXPECT_EQ(w.themes().index(), -1);
            EXPECT_EQ(w.state().ThemeIndex, -1);
            EXPECT_EQ(w.state().ThemeFile, path);
            EXPECT_EQ(qApp->styleSheet(), u"QWidget { color: #102030; }\n"_s);
            continue;
        }
        ASSERT_EQ(dialogs.shown.size(), 2);
        const testing_support::ShownDialog& box = dialogs.shown[1];
        EXPECT_EQ(box.kind, platform::MsgKind::Error);
        EXPECT_EQ(box.offset, QPoint(50, 125));
        EXPECT_TRUE(box.text.contains(path)) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(says)) << box.text.toStdString();
        EXPECT_EQ(w.themes().index(), 2);
        EXPECT_TRUE(w.themes().enabled());
        EXPECT_EQ(w.state().ThemeIndex, 2);
        EXPECT_EQ(qApp->styleSheet(), before);
        EXPECT_EQ(QApplication::palette(), palette);
    }
}
