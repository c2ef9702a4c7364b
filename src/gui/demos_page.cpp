#include "gui/demos_page.h"

#include "core/command_boundary.h"
#include "core/command_context.h"
#include "gui/page_parts.h"
#include "gui/theme_engine.h"
#include "platform/file_helpers.h"
#include "platform/status_sink.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

/// The warning's four lines: the first red, bold and large, the others bold.
/// Its red is the theme's; with themes off, one that reads on the desktop's
/// window colour.
QFrame* makeDemoWarning() {
    auto* panel = new QFrame;
    panel->setObjectName(u"DemoWarning"_s);
    panel->setFrameShape(QFrame::Box);
    panel->setLineWidth(1);
    auto* layout = new QVBoxLayout(panel);
    const QStringList lines = {u"Warning !!"_s, u"Running a UT2004 demo"_s,
                               u"Quit UT2004 before you"_s, u"continue."_s};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto* label = new QLabel(lines.at(i));
        label->setAlignment(Qt::AlignCenter);
        if (i == 0) {
            label->setObjectName(u"DemoWarningTitle"_s);
            label->setStyleSheet(u"font-weight: bold; font-size: 16px;"_s);
            QPalette red = label->palette();
            red.setColor(QPalette::WindowText, ThemeEngine::plainWarningColour(red));
            label->setPalette(red);
        } else {
            label->setStyleSheet(u"font-weight: bold;"_s);
        }
        layout->addWidget(label);
    }
    panel->hide();
    return panel;
}

} // namespace

DemosPage::DemosPage(CommandContext& context, CommandBoundary& commands, intake::TmFileScan& fScan,
                     QWidget* parent)
    : QWidget(parent), ctx_(context), commands_(commands), fScan_(fScan) {
    setObjectName(u"TabDemos"_s);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    StatusBar2 = new QLabel(intake::DemoNameText.toString());
    StatusBar2->setObjectName(u"StatusBar2"_s);
    StatusBar3 = new QLabel(intake::DemoLocationText.toString());
    StatusBar3->setObjectName(u"StatusBar3"_s);
    for (QLabel* bar : {StatusBar2, StatusBar3}) {
        bar->setFrameShape(QFrame::StyledPanel);
        bar->setFrameShadow(QFrame::Sunken);
        bar->setTextFormat(Qt::PlainText);
        bar->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // Cream with black text while no theme is on; a theme draws them as
        // its fields (the property selects its rule).
        bar->setProperty("infoBar", true);
        QPalette cream = bar->palette();
        cream.setColor(QPalette::Window, QColor(0xFF, 0xFB, 0xE6));
        cream.setColor(QPalette::WindowText, Qt::black);
        bar->setPalette(cream);
        bar->setAutoFillBackground(true);
    }
    DirBox = new QComboBox;
    DirBox->setObjectName(u"DirBox"_s);
    DirBox->addItem(u"Show all"_s);
    // On Linux a screen reader gives a combo box's value as its name; the
    // description says what it is for.
    DirBox->setAccessibleName(u"Demo folder"_s);
    DirBox->setAccessibleDescription(u"Demo folder"_s);
    DemoList = new QListWidget;
    DemoList->setObjectName(u"DemoList"_s);
    DemoList->setSelectionMode(QAbstractItemView::SingleSelection);
    DemoList->setAccessibleName(u"Demo files"_s);
    page_parts::showFocusFrame(DemoList);
    bRunDemo = new QPushButton(u"Launch"_s);
    bRunDemo->setObjectName(u"bRunDemo"_s);
    bDemoDelete = new QPushButton(u"Delete"_s);
    bDemoDelete->setObjectName(u"bDemoDelete"_s);
    DemoWarning = makeDemoWarning();
    grid->addWidget(StatusBar2, 0, 0, 1, 2);
    grid->addWidget(StatusBar3, 1, 0, 1, 2);
    grid->addWidget(DirBox, 2, 0);
    grid->addWidget(DemoList, 3, 0, 3, 1);
    grid->addWidget(bRunDemo, 3, 1);
    grid->addWidget(bDemoDelete, 4, 1);
    grid->addWidget(DemoWarning, 5, 1, Qt::AlignTop);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(5, 1);

    auto quick = [this](void (DemosPage::*handler)()) {
        return [this, handler] {
            commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                          [=, this] { (this->*handler)(); });
        };
    };
    connect(DirBox, &QComboBox::activated, this, quick(&DemosPage::DirBoxChange));
    connect(DemoList, &QListWidget::itemSelectionChanged, this, quick(&DemosPage::DemoListClick));
    connect(DemoList, &QListWidget::itemDoubleClicked, this, [this] { bRunDemoClick(); });
    connect(bRunDemo, &QPushButton::clicked, this, [this] { bRunDemoClick(); });
    connect(bDemoDelete, &QPushButton::clicked, this, [this] { bDemoDeleteClick(); });
}

void DemosPage::resetInfoBars() {
    StatusBar2->setText(intake::DemoNameText.toString());
    StatusBar3->setText(intake::DemoLocationText.toString());
}

void DemosPage::TabDemosShow() {
    DemoList->clearSelection();
    resetInfoBars();
    ScanDemos();
}

void DemosPage::ScanDemos() {
    if (!ctx_.state.DemosListed) {
        DemoList->clear();
        catalog_.scan(ctx_, fScan_);
        // Rebuilding the box is no choice of the user's.
        const QSignalBlocker blocker(DirBox);
        DirBox->clear();
        DirBox->addItem(u"Show all"_s);
        DirBox->addItems(catalog_.folders());
        DemoList->addItems(catalog_.names({}));
        DirBox->setCurrentIndex(0);
    }
    ctx_.status.setStatus(intake::demoCountText(DemoList->count()));
}

void DemosPage::refreshDemoList() {
    ctx_.state.DemosListed = false;
    ScanDemos();
}

QString DemosPage::chosenFolder() const {
    return DirBox->currentIndex() > 0 ? DirBox->currentText() : QString();
}

void DemosPage::DirBoxChange() {
    DemoList->clear();
    resetInfoBars();
    DemoList->addItems(catalog_.names(chosenFolder()));
    ctx_.status.setStatus(intake::demoCountText(DemoList->count()));
}

QString DemosPage::selectedPath() const {
    const QList<QListWidgetItem*> selected = DemoList->selectedItems();
    if (selected.isEmpty())
        return {};
    QListWidgetItem* item = selected.first();
    return catalog_.pathAt(chosenFolder(), DemoList->row(item), item->text());
}

void DemosPage::DemoListClick() {
    const QString path = selectedPath();
    if (path.isEmpty())
        return;
    const QString folder = chosenFolder();
    StatusBar2->setText(intake::DemoNameText.toString() + platform::fileNamePart(path));
    StatusBar3->setText(intake::DemoLocationText.toString() +
                        (folder.isEmpty() ? intake::demoFolderOf(path) : folder));
}

void DemosPage::setPlaying(bool playing) {
    playing_ = playing;
    bRunDemo->setEnabled(!playing);
    bDemoDelete->setEnabled(!playing);
}

void DemosPage::bRunDemoClick() {
    if (playing_)
        return;
    const QString path = selectedPath();
    if (path.isEmpty())
        return;
    std::optional<intake::DemoLaunch> launch;
    // The demo is brought into the game's folders (through Temp for an
    // archive); the game then plays it without the lock, which the launch's
    // own clean-up does not need: it removes only the files it made.
    commands_.run(CommandBoundary::Long, CommandBoundary::Writes,
                  [&] { launch = intake::PrepareDemo(ctx_, path); });
    if (!launch)
        return;
    setPlaying(true);
    commands_.run(CommandBoundary::Quick, CommandBoundary::Reads, [&] {
        intake::PlayDemo(ctx_, *launch, [this](bool shown) { DemoWarning->setVisible(shown); });
    });
    setPlaying(false);
}

void DemosPage::bDemoDeleteClick() {
    if (playing_)
        return;
    const QString path = selectedPath();
    if (path.isEmpty())
        return;
    const int remembered = DirBox->currentIndex();
    commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [&] {
        if (!intake::DeleteDemo(ctx_, path))
            return;
        const QList<QListWidgetItem*> selected = DemoList->selectedItems();
        if (!selected.isEmpty())
            delete DemoList->takeItem(DemoList->row(selected.first()));
        ctx_.state.DemosListed = false;
        ScanDemos();
        DirBox->setCurrentIndex(remembered < DirBox->count() ? remembered : 0);
        DirBoxChange();
    });
}
