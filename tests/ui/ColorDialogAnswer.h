#pragma once

#include <QApplication>
#include <QColorDialog>
#include <QTimer>

// Answers the next colour dialog that shows up (it runs modally, so the test cannot act after
// opening it): accepts it with `color`, or rejects it.
inline void AnswerNextColorDialog(QObject* context, bool accept, const QColor& color = {}) {
    auto* timer = new QTimer(context);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, context, [timer, accept, color] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QColorDialog*>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            timer->stop();
            timer->deleteLater();
            if (accept) {
                dialog->setCurrentColor(color);
                dialog->accept();
            } else {
                dialog->reject();
            }
            return;
        }
    });
    timer->start();
}
