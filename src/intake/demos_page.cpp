#include "intake/demos_page.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

DemosPage::DemosPage(QWidget* parent) : QWidget(parent) {
    setObjectName(u"TabDemos"_s);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    DirBox = new QComboBox;
    DirBox->setObjectName(u"DirBox"_s);
    DirBox->addItem(u"Show all"_s);
    DemoList = new QListWidget;
    DemoList->setObjectName(u"DemoList"_s);
    DemoList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    bRunDemo = new QPushButton(u"Launch"_s);
    bRunDemo->setObjectName(u"bRunDemo"_s);
    bDemoDelete = new QPushButton(u"Delete"_s);
    bDemoDelete->setObjectName(u"bDemoDelete"_s);
    StatusBar2 = new QLabel(u"  Name: "_s);
    StatusBar2->setObjectName(u"StatusBar2"_s);
    StatusBar3 = new QLabel(u"  Location: "_s);
    StatusBar3->setObjectName(u"StatusBar3"_s);
    for (QLabel* bar : {StatusBar2, StatusBar3}) {
        bar->setFrameShape(QFrame::StyledPanel);
        bar->setFrameShadow(QFrame::Sunken);
        bar->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    DemoWarning = new QFrame;
    DemoWarning->setObjectName(u"DemoWarning"_s);
    DemoWarning->setFrameShape(QFrame::StyledPanel);
    auto* warn = new QVBoxLayout(DemoWarning);
    for (const QString& line : {u"Warning !!"_s, u"Running a UT2004 demo"_s,
                                u"Quit UT2004 before you"_s, u"continue."_s}) {
        auto* label = new QLabel(line);
        label->setAlignment(Qt::AlignCenter);
        warn->addWidget(label);
    }
    DemoWarning->hide();
    grid->addWidget(DirBox, 0, 0);
    grid->addWidget(DemoList, 1, 0, 3, 1);
    grid->addWidget(bRunDemo, 1, 1);
    grid->addWidget(bDemoDelete, 2, 1);
    grid->addWidget(DemoWarning, 3, 1);
    grid->addWidget(StatusBar2, 4, 0, 1, 2);
    grid->addWidget(StatusBar3, 5, 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
}

void DemosPage::TabDemosShow() {
    DemoList->clearSelection();
    StatusBar2->setText(u"  Name: "_s);
    StatusBar3->setText(u"  Location: "_s);
}
