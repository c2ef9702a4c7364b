#include "cache/cache_page.h"

#include "app/qt_page_parts.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

CachePage::CachePage(QWidget* parent) : QWidget(parent) {
    setObjectName(u"TabCache"_s);
    LBCache = new QListWidget;
    LBCache->setObjectName(u"LBCache"_s);
    LBCache->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QVBoxLayout* column = page_parts::listAndColumn(
        this, page_parts::headedList(u"Files in your ..\\Cache"_s, LBCache));
    bInstallCache = new QPushButton(u"&Install"_s);
    bInstallCache->setObjectName(u"bInstallCache"_s);
    bInstallCache->setToolTip(u"Install selected file(s)"_s);
    CacheBox = new QCheckBox(u"Show maps only"_s);
    CacheBox->setObjectName(u"CacheBox"_s);
    rbCache = page_parts::radioGroup(
        u"rbCache"_s, u"What to do?"_s,
        {u"Install only"_s, u"Install and save as zip"_s, u"Save as zip only"_s, u"Delete file"_s},
        rbCacheGroup);
    ClearCache = new QPushButton(u"Clear cache"_s);
    ClearCache->setObjectName(u"ClearCache"_s);
    column->addSpacing(16);
    column->addWidget(CacheBox);
    column->addWidget(rbCache);
    column->addWidget(bInstallCache);
    column->addStretch(1);
    column->addWidget(ClearCache);
}

void CachePage::TabCacheShow() {
    rbCacheGroup->button(0)->setChecked(true);
    bInstallCache->setText(u"Install"_s);
    CacheBox->setChecked(false);
}
