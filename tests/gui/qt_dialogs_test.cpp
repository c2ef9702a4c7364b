#include "gui/qt_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

/// What the message box showed, read while it is open, then closed with
/// the button captioned `press`.
struct Seen {
    QPoint pos;
    QPoint centre;
    QString text;
    QStringList captions;
};

void answerNextBox(Seen& seen, const QString& press) {
    QTimer::singleShot(0, [&seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.pos = box->pos();
        seen.centre = box->geometry().center();
        seen.text = box->text();
        QAbstractButton* target = nullptr;
        const auto buttons = box->buttons();
        for (QAbstractButton* b : buttons) {
            seen.captions.append(b->text());
            if (b->text() == press)
                target = b;
        }
        ASSERT_NE(target, nullptr) << press.toStdString();
        target->click();
    });
}

} // namespace

TEST(QtDialogs, MessageBoxStandsAtItsOffsetWithTheProgramsButtons) {
    QMainWindow window;
    window.move(40, 30);
    window.resize(300, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    platform::QtDialogs dialogs(&window);
    Seen seen;
    answerNextBox(seen, u"Yes to &All"_s);
    const platform::Button answer =
        dialogs.message(platform::MsgKind::Confirmation, u"DM-A.ut2 already exists.\rProceed?"_s,
                        platform::Yes | platform::No | platform::YesToAll, QPoint(75, 75));
    EXPECT_EQ(answer, platform::YesToAll);
    EXPECT_EQ(seen.pos, window.pos() + QPoint(75, 75));
    EXPECT_EQ(seen.text, u"DM-A.ut2 already exists.\nProceed?"_s);
    EXPECT_EQ(seen.captions.size(), 3);
    for (const QString& caption : {u"&Yes"_s, u"&No"_s, u"Yes to &All"_s})
        EXPECT_TRUE(seen.captions.contains(caption)) << caption.toStdString();
}

TEST(QtDialogs, PlainBoxIsCentredOnTheScreen) {
    QMainWindow window;
    window.move(0, 0);
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    platform::QtDialogs dialogs(&window);
    Seen seen;
    answerNextBox(seen, u"OK"_s);
    dialogs.plainMessage(u"Map database missing or corrupt\rRun config and Update database"_s);
    const QPoint screenCentre = window.screen()->availableGeometry().center();
    // Within rounding of the box size; over the window it would stand near (100, 50).
    EXPECT_LE((seen.centre - screenCentre).manhattanLength(), 8)
        << seen.centre.x() << "," << seen.centre.y();
    EXPECT_EQ(seen.text, u"Map database missing or corrupt\nRun config and Update database"_s);
}
