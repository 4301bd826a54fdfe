#include "ui/dialogs/FieldWidthValidator.h"

#include <QFontMetrics>
#include <QLineEdit>

namespace {
// QLineEdit keeps this margin on each side of its text inside the contents rectangle.
constexpr int kLineEditHorizontalMargin = 2;
} // namespace

FieldWidthValidator::FieldWidthValidator(QLineEdit* field)
    : QValidator(field), m_field(field), m_acceptedText(field->text()) {
    connect(field, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_acceptedText = text; });
}

QValidator::State FieldWidthValidator::validate(QString& input, int&) const {
    const int width = TextWidth(input);
    if (width <= VisibleWidth() || width <= TextWidth(m_acceptedText))
        return Acceptable;
    return Invalid;
}

int FieldWidthValidator::TextWidth(const QString& text) const {
    return QFontMetrics(m_field->font()).horizontalAdvance(text);
}

int FieldWidthValidator::VisibleWidth() const {
    const QMargins margins = m_field->textMargins();
    return m_field->contentsRect().width() - margins.left() - margins.right() -
           2 * kLineEditHorizontalMargin;
}
