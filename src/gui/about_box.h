#pragma once

#include <QDialog>

class QLabel;

/// The About box: one picture over the whole window and a small link
/// picture that asks for the project's page (the About section of the
/// help, which is there without a network). A click on the picture closes
/// it.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

Q_SIGNALS:
    /// The link picture was clicked; the box has closed.
    void webPageRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QPixmap picture();
    static QPixmap linkPicture();

    QLabel* Image1 = nullptr; ///< the picture
    QLabel* Link = nullptr;   ///< the link picture
};
