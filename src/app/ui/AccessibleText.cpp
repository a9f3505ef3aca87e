#include "app/ui/AccessibleText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QTabBar>
#include <QTextDocument>
#include <QWidget>

#include "common/ui/Mnemonics.h"

namespace varnolt {

namespace {

struct Described {
    const char* objectName;
    const char* name;  // null: the control's own caption
    const char* description;
};

// clang-format off
const Described kControls[] = {
    {"btnMakeMoney", nullptr, "Opens the partner page in the web browser"},
    {"btnAbout", nullptr, "Shows the program's version and copyright"},
    {"btnNews", nullptr, "Lists the publisher's news messages"},
    {"btnUpdate", nullptr, "Looks for a newer version of the program"},
    {"btnHelp", nullptr, "Opens the help pages in the web browser (F1)"},
    {"pgcPrinc", "Varnolt", "The welcome page or the keyword tools"},
    {"pgcMain", "Keyword tools", "The Typo Generator and Ad Words pages (Ctrl+1, Ctrl+2)"},
    {"imgBanner", "Banner", "Opens the advertiser's page in the web browser"},
    {"gifBanner", "Banner", "Opens the advertiser's page in the web browser"},
    {"lblLink1URL", nullptr, "Opens the link"},
    {"lblLink2URL", nullptr, "Opens the link"},
    {"prfWelcome", "Welcome", "The publisher's welcome page"},
    {"bsSkinButton1", nullptr, "Leaves the welcome page for the keyword tools (Enter)"},
    {"memInput", "Input keywords", "The keywords to misspell, one word or phrase per line"},
    {"memOutput", "Misspelled keywords", "The variants made from the input, one per line"},
    {"memAInput", "Input keywords", "The keywords to format, one word or phrase per line"},
    {"memAOutput", "Formatted keywords", "The keywords in the checked notations, one per line"},
    {"bsSkinScrollBar1", "Input keywords scroll bar", "Scrolls the input keywords"},
    {"scbResults", "Misspelled keywords scroll bar", "Scrolls the misspelled keywords"},
    {"bsSkinScrollBar2", "Input keywords scroll bar", "Scrolls the input keywords"},
    {"scbAResult", "Formatted keywords scroll bar", "Scrolls the formatted keywords"},
    {"chkSkip", nullptr, "Variants with one letter left out"},
    {"chkDouble", nullptr, "Variants with one letter typed twice"},
    {"chkReverse", nullptr, "Variants with two neighbouring letters swapped"},
    {"chkSpaces", nullptr, "Variants with one space left out"},
    {"chkMissed", nullptr, "Variants with one letter replaced by a key beside it"},
    {"chkInserted", nullptr, "Variants with a key beside a letter typed as well"},
    {"chkVowelSwap", nullptr, "Variants with one vowel replaced by another"},
    {"chkUnique", nullptr, "Lists each variant once and leaves out the input keywords"},
    {"cboKeyboard", "Keyboard", "The keyboard layout whose neighbouring keys make the typos"},
    {"btnGenerate", nullptr, "Makes the checked kinds of typo of every input keyword (Ctrl+Return)"},
    {"btnToAdWords", nullptr, "Puts the misspelled keywords into the Ad Words input"},
    {"chkBroad", nullptr, "Each keyword as it is"},
    {"chkPhraseMatch", nullptr, "Each keyword in double quotes"},
    {"chkExactMatch", nullptr, "Each keyword in square brackets"},
    {"chkLowercase", nullptr, "Writes the keywords in lower case"},
    {"chkMinusSign", nullptr, "Each keyword with a minus sign in front, as a negative keyword"},
    {"chkNegativePhrase", nullptr, "Each keyword as a negative phrase match"},
    {"chkNegativeExact", nullptr, "Each keyword as a negative exact match"},
    {"chkAUnique", nullptr, "Lists each formatted keyword once"},
    {"btnFormat", nullptr, "Writes every input keyword in the checked notations (Ctrl+Return)"},
    {"btnExport", nullptr, "Writes an upload file for the ad platforms"},
    {"btnClearInput", "Clear input", "Empties the input keywords"},
    {"btnLoadInput", "Load input", "Loads keywords from a text file (Ctrl+O)"},
    {"btnLoadInputRecent", "Recent files", "Loads one of the last files loaded"},
    {"btnClearOutput", "Clear output", "Empties the misspelled keywords (Ctrl+L)"},
    {"btnSaveOutput", "Save output", "Saves the misspelled keywords to a text file (Ctrl+S)"},
    {"btnClearAInput", "Clear input", "Empties the input keywords"},
    {"btnLoadAInput", "Load input", "Loads keywords from a text file (Ctrl+O)"},
    {"btnLoadAInputRecent", "Recent files", "Loads one of the last files loaded"},
    {"btnClearAOutput", "Clear output", "Empties the formatted keywords (Ctrl+L)"},
    {"btnSaveAOutput", "Save output", "Saves the formatted keywords to a text file (Ctrl+S)"},
    {"lblInputCount", nullptr, "How many keywords the input holds"},
    {"lblOutputCount", nullptr, "How many lines the output holds"},
    {"lblSaved", "Last saved file", "The file the output was last saved to, and its lines"},
    {"lblAInputCount", nullptr, "How many keywords the input holds"},
    {"lblAOutputCount", nullptr, "How many lines the output holds"},
    {"lblASaved", "Last saved file", "The file the output was last saved to, and its lines"},
    {"btnCancel", nullptr, "Stops the running work and keeps the panes as they were (Esc)"},
    {"btnACancel", nullptr, "Stops the running work and keeps the panes as they were (Esc)"},
    {"prgJob", "Progress", "How far the running work has got"},
    {"prgAJob", "Progress", "How far the running work has got"},
};
// clang-format on

QString CaptionOf(const QWidget* w) {
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
        return PlainCaption(b->text()).isEmpty() ? b->toolTip() : PlainCaption(b->text());
    }
    if (const auto* l = qobject_cast<const QLabel*>(w)) {
        return PlainCaption(l->text());
    }
    return QString();
}

class MessageBoxReader : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                Describe(box);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void Describe(QMessageBox* box) {
        QString text = box->text();
        if (Qt::mightBeRichText(text)) {
            QTextDocument doc;
            doc.setHtml(text);
            text = doc.toPlainText();
        }
        const QString kind = box->icon() == QMessageBox::Warning    ? QStringLiteral("Warning")
                             : box->icon() == QMessageBox::Critical ? QStringLiteral("Error")
                                                                    : QStringLiteral("Information");
        const QString title = box->windowTitle().isEmpty() ? kind : box->windowTitle();
        box->setAccessibleName(title + QStringLiteral(": ") + kind);
        box->setAccessibleDescription(text);
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            label->setAccessibleName(text);
            label->setAccessibleDescription(kind);
        }
    }
};

}  // namespace

void DescribeControls(QWidget* root) {
    for (const Described& d : kControls) {
        QWidget* w = root->findChild<QWidget*>(QString::fromLatin1(d.objectName));
        if (!w) {
            continue;
        }
        if (d.name) {
            w->setAccessibleName(QString::fromLatin1(d.name));
        } else if (w->accessibleName().isEmpty() && !qobject_cast<QLabel*>(w)) {
            // A label without a name of its own is read by its text, which
            // follows every change of it.
            w->setAccessibleName(CaptionOf(w));
        }
        w->setAccessibleDescription(QString::fromLatin1(d.description));
    }
    // Controls that are not in the table (a brand's or a later addition)
    // are at least called by their caption.
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
        if (b->accessibleName().isEmpty() && !CaptionOf(b).isEmpty()) {
            b->setAccessibleName(CaptionOf(b));
        }
        if (b->accessibleDescription().isEmpty()) {
            const QString said = !b->toolTip().isEmpty() ? b->toolTip() : CaptionOf(b);
            b->setAccessibleDescription(said.isEmpty() ? b->accessibleName() : said);
        }
    }
    for (QTabBar* bar : root->findChildren<QTabBar*>()) {
        if (bar->accessibleName().isEmpty()) {
            bar->setAccessibleName(QStringLiteral("Pages"));
        }
        if (bar->accessibleDescription().isEmpty()) {
            bar->setAccessibleDescription(QStringLiteral("The arrow keys change the page"));
        }
    }
    // A scroll bar is called after what it scrolls.
    for (QScrollBar* bar : root->findChildren<QScrollBar*>()) {
        if (!bar->accessibleName().isEmpty()) {
            continue;
        }
        QString owner;
        for (QWidget* p = bar->parentWidget(); p && p != root && owner.isEmpty();
             p = p->parentWidget()) {
            owner = p->accessibleName();
        }
        const QString kind = bar->orientation() == Qt::Horizontal
                                 ? QStringLiteral("horizontal scroll bar")
                                 : QStringLiteral("scroll bar");
        bar->setAccessibleName(owner.isEmpty() ? kind : owner + QLatin1Char(' ') + kind);
    }
}

void MakeMessageBoxesReadable() {
    static MessageBoxReader* reader = nullptr;
    if (!reader && qApp) {
        reader = new MessageBoxReader(qApp);
        qApp->installEventFilter(reader);
    }
}

}  // namespace varnolt
