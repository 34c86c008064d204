// Answers the modal "Import Lots" preview (or another dialog, by its object name) that the next
// action opens, once it waits for the user: the answer clicks, types or looks at what it shows.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

namespace tesmo::test {

class PreviewAnswer {
public:
    // Looks for it every few milliseconds while the events run, a few seconds at most; with over,
    // only for one over that window.
    explicit PreviewAnswer(std::function<void(QDialog &)> answer, const char *dialog = "ImportLots",
                           const QWidget *over = nullptr)
        : shown_(std::make_shared<bool>(false))
        , poll_(std::make_unique<QTimer>())
    {
        QTimer *poll = poll_.get();
        QObject::connect(poll, &QTimer::timeout, poll, [poll, dialog, over, shown = shown_, answer = std::move(answer), tries = 0]() mutable {
            if (++tries > 500) {
                poll->stop();
                return;
            }
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *d = qobject_cast<QDialog *>(w);
                if (d && d->isVisible() && d->objectName() == QLatin1String(dialog)
                    && (!over || d->parentWidget() == over)) {
                    poll->stop();
                    *shown = true;
                    answer(*d);
                    if (d->isVisible())
                        d->reject();   // an answer that forgot to close it
                    return;
                }
            }
        });
        poll->start(10);
    }
    bool shown() const { return *shown_; }   // once the events have been processed

    // The answers most tests give.
    static void import(QDialog &d) { QTest::mouseClick(d.findChild<QPushButton *>("import"), Qt::LeftButton); }
    static void cancel(QDialog &d) { QTest::mouseClick(d.findChild<QPushButton *>("cancel"), Qt::LeftButton); }

private:
    std::shared_ptr<bool> shown_;
    std::unique_ptr<QTimer> poll_;
};

} // namespace tesmo::test
