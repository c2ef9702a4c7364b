// The help window: the help inside the program, its contents, back and
// forward, find in page, links inside it followed and outside ones handed
// to the desktop (a stand-in xdg-open), and the About box's link to it.
#include "gui/help_window.h"
#include "support/fake_opener.h"
#include "window_fixture.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

class HelpWindowTest : public WindowFixture {
protected:
    /// Help > Contents, and the help window it shows.
    QWidget& openHelp(TForm1& w) {
        control<QAction>(w, u"Contents1"_s)->trigger();
        auto* help = w.findChild<QWidget*>(u"HelpWindow"_s);
        EXPECT_NE(help, nullptr);
        EXPECT_TRUE(help && help->isVisible());
        return *help;
    }
    static QTreeWidgetItem* section(QTreeWidget* tree, const QString& title) {
        const QList<QTreeWidgetItem*> found =
            tree->findItems(title, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
};

/// Every anchor name the browser's document holds.
QStringList anchorsOf(const QTextDocument* doc) {
    QStringList out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            out += it.fragment().charFormat().anchorNames();
    return out;
}

} // namespace

TEST(HelpDocument, EveryLinkInsideTheHelpLeadsToAPlaceTheBrowserCanGoTo) {
    QFile file(u":/help/index.html"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the help is compiled into the program";
    const QString html = QString::fromUtf8(file.readAll());
    QTextDocument doc;
    doc.setHtml(HelpWindow::withAnchors(html));
    const QStringList anchors = anchorsOf(&doc);
    static const QRegularExpression link(uR"re(href="#([^"]+)")re"_s);
    int links = 0;
    for (const QRegularExpressionMatch& m : link.globalMatch(html)) {
        ++links;
        EXPECT_TRUE(anchors.contains(m.captured(1))) << m.captured(1).toStdString();
    }
    EXPECT_GT(links, 20);
    const QList<HelpWindow::Section> sections = HelpWindow::sections(html);
    ASSERT_FALSE(sections.isEmpty());
    EXPECT_EQ(sections.first().anchor, u"contents"_s);
    EXPECT_EQ(sections.last().anchor, u"about"_s);
    EXPECT_EQ(sections.last().title, u"About"_s);
}

TEST_F(HelpWindowTest, ContentsBackForwardAndFindInPage) {
    TForm1& w = start();
    QWidget& help = openHelp(w);
    auto* text = control<QTextBrowser>(help, u"HelpText"_s);
    auto* contents = control<QTreeWidget>(help, u"HelpContents"_s);
    auto* back = control<QToolButton>(help, u"bBack"_s);
    auto* forward = control<QToolButton>(help, u"bForward"_s);
    EXPECT_EQ(contents->topLevelItem(0)->text(0), u"Getting started"_s);
    EXPECT_EQ(section(contents, u"Contents"_s), nullptr) << "the tree is the contents";
    QTreeWidgetItem* overwrite = section(contents, u"When the game already has a file"_s);
    ASSERT_NE(overwrite, nullptr);
    ASSERT_NE(overwrite->parent(), nullptr);
    EXPECT_EQ(overwrite->parent()->text(0), u"Installing"_s);
    EXPECT_FALSE(back->isEnabled());

    Q_EMIT contents->itemClicked(section(contents, u"Uninstalling"_s), 0);
    EXPECT_EQ(text->source().fragment(), u"uninstall"_s);
    // A link inside the page is followed in the window.
    Q_EMIT text->anchorClicked(QUrl(u"#verify"_s));
    EXPECT_EQ(text->source().fragment(), u"verify"_s);
    EXPECT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(text->source().fragment(), u"uninstall"_s);
    EXPECT_TRUE(forward->isEnabled());
    forward->click();
    EXPECT_EQ(text->source().fragment(), u"verify"_s);

    auto* find = control<QLineEdit>(help, u"FindText"_s);
    auto* status = control<QLabel>(help, u"FindStatus"_s);
    find->setText(u"ToBeMoved"_s);
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(text->textCursor().selectedText(), u"ToBeMoved"_s);
    const int first = text->textCursor().position();
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_GT(text->textCursor().position(), first);
    find->setText(u"no such words anywhere"_s);
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(status->text(), u"Not found"_s);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(HelpWindowTest, OutsideLinksGoToTheDesktopAndAFailureIsSaid) {
    TForm1& w = start();
    QWidget& help = openHelp(w);
    auto* text = control<QTextBrowser>(help, u"HelpText"_s);
    const QUrl page(u"https://example.org/ut2004"_s);
    {
        testing_support::FakeOpener browser(tree);
        Q_EMIT text->anchorClicked(page);
        ASSERT_TRUE(browser.waitForOpened(1));
        EXPECT_EQ(browser.opened(), QStringList{u"https://example.org/ut2004|"_s});
    }
    EXPECT_EQ(text->source(), QUrl(u"qrc:/help/index.html"_s)) << "the help stays where it was";
    EXPECT_TRUE(dialogs.shown.isEmpty());

    testing_support::TempTree other;
    testing_support::FakeOpener none(other, testing_support::FakeOpener::Mode::LogsContent, 3);
    Q_EMIT text->anchorClicked(page);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.shown.isEmpty(); }, 10000));
    EXPECT_EQ(dialogs.shown[0].text,
              u"The desktop could not open https://example.org/ut2004\r\r"_s
              u"The desktop has no program for this kind of file or address.\r\r"_s
              u"Copy the address into a web browser to read the page."_s);
}

TEST_F(HelpWindowTest, TheAboutBoxLinkShowsTheAboutSection) {
    TForm1& w = start();
    w.show();
    const QDialog* box = control<QDialog>(w, u"AboutBox"_s);
    QTimer::singleShot(0, &w, [&] {
        QTest::mouseClick(control<QLabel>(*box, u"Link"_s), Qt::LeftButton, {}, QPoint(5, 5));
    });
    control<QAction>(w, u"About1"_s)->trigger();
    EXPECT_FALSE(box->isVisible());
    auto* help = w.findChild<QWidget*>(u"HelpWindow"_s);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(control<QTextBrowser>(*help, u"HelpText"_s)->source().fragment(), u"about"_s);
}
