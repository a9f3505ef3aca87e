#pragma once
// The link bar below the keyword pages: one link at the left edge, one at
// the right.
#include <QFrame>

namespace varnolt {

class LinkLabel;

class LinkBar : public QFrame {
    Q_OBJECT
public:
    explicit LinkBar(QWidget* parent = nullptr);
    // Fits both links to their texts and puts them at their edges.
    void Layout();

    LinkLabel* lblLink1URL = nullptr;
    LinkLabel* lblLink2URL = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace varnolt
