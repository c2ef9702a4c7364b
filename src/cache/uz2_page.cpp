#include "cache/uz2_page.h"

#include "app/command_context.h"
#include "app/qt_page_parts.h"
#include "platform/status_sink.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

Uz2Page::Uz2Page(CommandContext& context, QWidget* parent) : QWidget(parent), ctx_(context) {
    setObjectName(u"TabUZ"_s);
    LBUz = new QListWidget;
    LBUz->setObjectName(u"LBUz"_s);
    LBUz->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(u"Compress / Decompress uz2"_s);
    title->setObjectName(u"heading"_s);
    leftLayout->addWidget(title);
    leftLayout->addWidget(page_parts::headedList(u"Select your file(s)"_s, LBUz), 1);
    QVBoxLayout* column = page_parts::listAndColumn(this, left);
    bOpenUz2 = new QPushButton(u"Open..."_s);
    bOpenUz2->setObjectName(u"bOpenUz2"_s);
    rbUzAction =
        page_parts::radioGroup(u"rbUzAction"_s, u"Choose action"_s,
                               {u"Decompress .uz2"_s, u"Compress to .uz2"_s}, rbUzActionGroup);
    cbUzDelete = new QCheckBox(u"Delete input file(s) after action?"_s);
    cbUzDelete->setObjectName(u"cbUzDelete"_s);
    bGoUz2 = new QPushButton(u"Go"_s);
    bGoUz2->setObjectName(u"bGoUz2"_s);
    column->addSpacing(16);
    column->addWidget(bOpenUz2);
    column->addWidget(rbUzAction);
    column->addWidget(cbUzDelete);
    column->addStretch(1);
    column->addWidget(bGoUz2);
}

void Uz2Page::TabUZShow() {
    ctx_.state.ListBox3.clear();
    LBUz->clear();
    ctx_.status.setStatus(u"  Handle .uz2-compressed files"_s);
    rbUzActionGroup->button(0)->setChecked(true);
    cbUzDelete->setChecked(false);
}
