// Texts cut at the edge of the fixed window show whole as tooltips: the
// status line, a list entry, and File info's place on disk, which can also
// be selected and copied. What is not cut shows no tooltip of its own.
#include "core/content_db.h"
#include "gui/cut_text_tips.h"
#include "gui/value_list_editor.h"
#include "window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

/// The tooltip shown when the mouse rests at `pos` of `widget` over a cut
/// text (empty when none shows); where nothing is cut, the text the
/// watcher finds there, which must be empty. (A tooltip shown before may
/// still be fading out, so QToolTip itself cannot tell "none".)
QString tipAt(QWidget* widget, QPoint pos) {
    const QString cut = CutTextTips::cutTextAt(widget, pos);
    if (cut.isEmpty())
        return cut;
    QToolTip::hideText();
    QHelpEvent event(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
    QCoreApplication::sendEvent(widget, &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

QString tipAtMiddle(QWidget* widget) {
    return tipAt(widget, widget->rect().center());
}

class CutTextTest : public WindowFixture {};

} // namespace

TEST_F(CutTextTest, StatusListEntryAndPlaceOnDiskShowWholeWhenCut) {
    // As long as the record's fields hold (100 and 50 bytes).
    const QString deep = u"/srv/games/archives/unreal-tournament-2004/custom-content/"_s
                         u"maps-of-the-years/capture-the-flag/"_s;
    const QString longName = u"CTF-AVeryLongMapNameNoListOfThisWindowFits.zip"_s;
    QList<TContentRecord> records;
    for (const QString& name : {longName, u"DM-Short.zip"_s}) {
        TContentRecord r;
        r.ArchiveName = name;
        r.ArchiveDir = deep;
        r.AddedDate = u"2026-01-05"_s;
        records.append(r);
    }
    tree.folder(u"prog"_s);
    content_db::WriteAll(prog(u"mapdata.dat"_s), records);
    TForm1& w = start();
    w.show();
    w.state().StartingUp = false;
    w.showPage(TForm1::MapsTab);

    auto* statusLine = control<QStatusBar>(w, u"StatusBar1"_s)->findChild<QLabel*>();
    ASSERT_NE(statusLine, nullptr);
    const QString longStatus = u"  Installed 3 map(s) with 41 file(s) total; "_s + deep + longName;
    w.setStatus(longStatus);
    EXPECT_EQ(tipAtMiddle(statusLine), longStatus);
    w.setStatus(u"  Done"_s);
    EXPECT_EQ(tipAtMiddle(statusLine), QString());

    // A long folder on the Configure page, in the field that edits it.
    auto* VLE = control<ValueListEditor>(w, u"VLE"_s);
    VLE->setValue(2, deep + deep);
    const QList<QLineEdit*> fields = VLE->findChildren<QLineEdit*>();
    const auto mapDir = std::find_if(fields.begin(), fields.end(),
                                     [&](QLineEdit* f) { return f->text() == deep + deep; });
    ASSERT_NE(mapDir, fields.end());
    EXPECT_EQ(tipAtMiddle(*mapDir), deep + deep);

    QListWidget* LBinst = control<QListWidget>(w, u"LBinst"_s);
    ASSERT_EQ(LBinst->count(), 2);
    for (int i = 0; i < LBinst->count(); ++i) {
        const QString entry = LBinst->item(i)->text();
        const QString tip =
            tipAt(LBinst->viewport(), LBinst->visualItemRect(LBinst->item(i)).center());
        EXPECT_EQ(tip, entry == longName ? longName : QString()) << entry.toStdString();
    }

    QString placeTip, placeText, copied;
    bool readOnly = false;
    QTimer::singleShot(0, &w, [&] {
        const QDialog& viewer = *control<QDialog>(w, u"Form2"_s);
        auto* place = control<QLineEdit>(viewer, u"PlaceOnDisk"_s);
        placeText = place->text();
        readOnly = place->isReadOnly() && place->isVisible() && place->isEnabled();
        placeTip = tipAtMiddle(place);
        QGuiApplication::clipboard()->clear();
        place->selectAll();
        place->copy();
        copied = QGuiApplication::clipboard()->text();
        control<QPushButton>(viewer, u"Button1"_s)->click();
    });
    LBinst->clearSelection();
    LBinst->item(0)->setSelected(true);
    control<QAction>(w, u"FileInfo1"_s)->trigger();
    EXPECT_EQ(placeText, deep);
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(placeTip, deep);
    EXPECT_EQ(copied, deep);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}
