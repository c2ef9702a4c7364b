#include "gui/about_box.h"

#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

using namespace Qt::Literals::StringLiterals;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(u"AboutBox"_s);
    setFixedSize(250, 198);
    setModal(true);
    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(0, 0, 250, 198);
    Image1->setPixmap(picture());
    Image1->installEventFilter(this);
    Link = new QLabel(this);
    Link->setObjectName(u"Link"_s);
    Link->setPixmap(linkPicture());
    Link->setGeometry(250 - 74, 198 - 26, 66, 18);
    Link->setCursor(Qt::PointingHandCursor);
    Link->installEventFilter(this);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Image1) {
            accept();
            return true;
        }
        if (watched == Link) {
            // Closed first: the page opens in a window this modal box
            // would otherwise block.
            accept();
            Q_EMIT webPageRequested();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QPixmap TAboutBox::picture() {
    QPixmap pixmap(250, 198);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 198);
    sky.setColorAt(0, QColor(0x14, 0x20, 0x3a));
    sky.setColorAt(1, QColor(0x3b, 0x5f, 0x9a));
    p.fillRect(pixmap.rect(), sky);
    // A stylised archive box with a map pin: what the program handles.
    QPainterPath box;
    box.addRoundedRect(QRectF(24, 46, 64, 52), 6, 6);
    p.fillPath(box, QColor(0xe8, 0xb8, 0x4a));
    p.setPen(QPen(QColor(0x8a, 0x5a, 0x12), 2));
    p.drawPath(box);
    p.drawLine(QPointF(56, 46), QPointF(56, 98));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x4f, 0x3a));
    p.drawEllipse(QPointF(56, 36), 12, 12);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(56, 36), 4.5, 4.5);
    p.setPen(Qt::white);
    QFont title(u"Verdana"_s);
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRectF(100, 40, 150, 40), Qt::AlignLeft | Qt::AlignVCenter, u"Quorvel"_s);
    QFont small(u"Verdana"_s);
    small.setPixelSize(11);
    p.setFont(small);
    p.drawText(QRectF(102, 78, 148, 18), Qt::AlignLeft, u"Version 2.05"_s);
    p.drawText(QRectF(16, 116, 220, 40), Qt::AlignLeft | Qt::TextWordWrap,
               u"Maps, mutators and skins for\nUnreal Tournament 2004"_s);
    p.setPen(QColor(0xc8, 0xd4, 0xe8));
    p.drawText(QRectF(16, 170, 150, 18), Qt::AlignLeft, u"Click to close"_s);
    return pixmap;
}

QPixmap TAboutBox::linkPicture() {
    QPixmap pixmap(66, 18);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0xe8, 0xb8, 0x4a));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, 66, 18), 4, 4);
    p.setPen(QColor(0x14, 0x20, 0x3a));
    QFont f(u"Verdana"_s);
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(0, 0, 66, 18), Qt::AlignCenter, u"Web page"_s);
    return pixmap;
}
