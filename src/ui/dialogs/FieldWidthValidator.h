#pragma once

#include <QValidator>

class QLineEdit;

// Keeps typed text within the visible width of a line edit that does not scroll sideways: an
// edit that would make the text wider than the field is refused. Text that is already too wide
// (set by the program) may still be shortened.
class FieldWidthValidator : public QValidator {
    Q_OBJECT

public:
    explicit FieldWidthValidator(QLineEdit* field);

    State validate(QString& input, int& pos) const override;

private:
    int TextWidth(const QString& text) const;
    int VisibleWidth() const;

    QLineEdit* m_field;
    // The field's text before the edit being validated: the field already shows the edit then.
    QString m_acceptedText;
};
