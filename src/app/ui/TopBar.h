#pragma once
// The top bar of the main page: the brand buttons on the left, the news,
// update and help buttons kept at the right edge.
#include <QFrame>

class QPushButton;
class QToolButton;

namespace varnolt {

class TopBar : public QFrame {
    Q_OBJECT
public:
    explicit TopBar(QWidget* parent = nullptr);

    QPushButton* btnMakeMoney = nullptr;
    QPushButton* btnAbout = nullptr;
    QToolButton* btnNews = nullptr;
    QToolButton* btnUpdate = nullptr;
    QToolButton* btnHelp = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
};

}  // namespace varnolt
