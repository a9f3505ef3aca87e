#include "common/ui/Mnemonics.h"

#include <QAbstractButton>
#include <QLabel>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <vector>

namespace varnolt {

namespace {

// The caption the control had before a marker went in, and the text it got,
// so that a second run finds the plain caption again; a caption set by
// someone else since (a brand's) is taken as it is.
const char* const kPlainProperty = "varnoltPlainCaption";
const char* const kMarkedProperty = "varnoltMarkedCaption";

QString TextOf(const QWidget* w) {
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
        return b->text();
    }
    if (const auto* l = qobject_cast<const QLabel*>(w)) {
        return l->text();
    }
    return QString();
}

void SetTextOf(QWidget* w, const QString& text) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
    }
}

QString CurrentPlainCaption(const QWidget* w) {
    const QString text = TextOf(w);
    if (w->property(kMarkedProperty).toString() == text && !text.isEmpty()) {
        return w->property(kPlainProperty).toString();
    }
    // Designed captions carry no markers of their own; a '&' in one is a
    // character to show.
    return text;
}

// The positions in `caption` that can carry the marker, best first: the
// first letter of each word, then every other letter or digit. One position
// per character (case folded).
std::vector<int> Candidates(const QString& caption) {
    std::vector<int> first;
    std::vector<int> rest;
    QString seen;
    auto take = [&](int i, std::vector<int>& into) {
        const QChar c = caption[i].toLower();
        if (!seen.contains(c)) {
            seen += c;
            into.push_back(i);
        }
    };
    for (int i = 0; i < caption.size(); ++i) {
        const bool wordStart = i == 0 || !caption[i - 1].isLetterOrNumber();
        if (caption[i].isLetterOrNumber() && caption[i].unicode() < 128 && wordStart) {
            take(i, first);
        }
    }
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i].isLetterOrNumber() && caption[i].unicode() < 128) {
            take(i, rest);
        }
    }
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

QString Escaped(const QString& plain) {
    QString s = plain;
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

}  // namespace

QString PlainCaption(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;  // "&&" is one '&'; "&x" is x
        }
        out += caption[i];
    }
    return out;
}

QString AssignMnemonics(const QList<QWidget*>& group, const QString& taken) {
    const int n = static_cast<int>(group.size());
    std::vector<QString> plain(static_cast<std::size_t>(n));
    std::vector<std::vector<int>> options(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        plain[i] = CurrentPlainCaption(group[i]);
        options[i] = Candidates(plain[i]);
    }
    std::vector<bool> reserved(128, false);
    for (QChar t : taken) {
        if (t.unicode() < 128) {
            reserved[t.toLower().unicode()] = true;
        }
    }
    // A matching of controls to letters (augmenting paths), each control
    // trying its letters best first, so every control that can get one does.
    std::vector<int> owner(128, -1);                           // letter -> control
    std::vector<int> chosen(static_cast<std::size_t>(n), -1);  // control -> position
    std::function<bool(int, std::vector<bool>&)> place = [&](int c, std::vector<bool>& tried) {
        for (int pos : options[c]) {
            const int letter = plain[c][pos].toLower().unicode();
            if (tried[letter]) {
                continue;
            }
            tried[letter] = true;
            if (owner[letter] < 0 || place(owner[letter], tried)) {
                owner[letter] = c;
                chosen[c] = pos;
                return true;
            }
        }
        return false;
    };
    for (int c = 0; c < n; ++c) {
        // A free letter first; only when none is left does a control move
        // an earlier one to another of its letters.
        bool placed = false;
        for (int pos : options[c]) {
            const int letter = plain[c][pos].toLower().unicode();
            if (!reserved[letter] && owner[letter] < 0) {
                owner[letter] = c;
                chosen[c] = pos;
                placed = true;
                break;
            }
        }
        if (!placed) {
            std::vector<bool> tried = reserved;  // a taken letter is never tried
            place(c, tried);
        }
    }
    QString used = taken.toLower();
    for (int c = 0; c < n; ++c) {
        QWidget* w = group[c];
        QString marked = Escaped(plain[c]);
        if (chosen[c] >= 0) {
            // The position in the escaped text: one extra character per '&'
            // before the chosen letter.
            const int shift = static_cast<int>(plain[c].left(chosen[c]).count(QLatin1Char('&')));
            marked.insert(chosen[c] + shift, QLatin1Char('&'));
            used += plain[c][chosen[c]].toLower();
        }
        w->setProperty(kPlainProperty, plain[c]);
        w->setProperty(kMarkedProperty, marked);
        if (TextOf(w) != marked) {
            SetTextOf(w, marked);
        }
    }
    return used;
}

}  // namespace varnolt
