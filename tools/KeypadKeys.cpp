#include "tools/KeypadKeys.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace keypad {

Key NumericKey(int index) {
    static const std::array<const char*, kNumericKeys> kDigits = {"7", "8", "9", "4", "5", "6",
                                                                  "1", "2", "3", "",  "0", ""};
    if (index == 9) return {Action::Back, QStringLiteral("Back")};
    if (index == 11) return {Action::Enter, QStringLiteral("Enter")};
    if (index < 0 || index >= kNumericKeys) return {Action::Type, QString()};
    return {Action::Type, QString::fromLatin1(kDigits[static_cast<size_t>(index)])};
}

QChar CharacterKey(int index) {
    static const QString kKeys = QStringLiteral("1234567890QWERTYUIOPASDFGHJKLZXCVBNM");
    if (index < 0 || index >= kKeys.size()) return QChar();
    return kKeys[index];
}

QString CharacterKeyText(int index, bool lettersUpper) {
    const QChar key = CharacterKey(index);
    if (key.isNull()) return QString();
    if (!key.isLetter()) return QString(key);
    return QString(lettersUpper ? key.toUpper() : key.toLower());
}

QString Typed(const QString& text, const QString& typed) { return text + typed; }

QString WithoutLastCharacter(const QString& text) {
    if (text.isEmpty()) return text;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.toEnd();
    const qsizetype start = graphemes.toPreviousBoundary();
    return text.left(start < 0 ? 0 : start);
}

void ShiftState::ToggleShift() {
    shift = !shift;
    lettersUpper = shift;
}

void ShiftState::CharacterTyped() {
    if (!shift) return;
    shift = false;
    lettersUpper = false;
}

QPoint KeypadPlace(QSize client, QSize panel) {
    return {std::max(0, client.width() - panel.width() - 10),
            std::max(0, client.height() - panel.height() - 10)};
}

QPoint KeyboardPlace(QSize client, QSize panel) {
    return {std::max(0, (client.width() - panel.width()) / 2),
            std::max(0, client.height() - panel.height() - 10)};
}

}  // namespace keypad
