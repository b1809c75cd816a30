#pragma once

#include "app/frmYearEnd.h"
#include "tests/support/CapturingSink.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <QtTest>
#include <memory>

// What every window test shares: a fresh window for each test function,
// shown and active, whose messages a sink captures instead of boxes, and
// its controls found by their object names.
class WindowTest : public QObject
{
protected:
    // A missing control ends the test program at once, since every later
    // step would only fail less clearly.
    template <typename T> T* control(const char* name)
    {
        T* found = m_window->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("control %s not found", name);
        return found;
    }

    // For init(): the window as the operator first meets it.
    void openWindow()
    {
        m_sink.clear();
        m_window = std::make_unique<frmYearEnd>();
        m_window->setPrompts(&m_sink);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    // Puts the server name in the box and clicks Connect; the database box
    // is the test's to tick.
    void connectTo(const QString& server)
    {
        control<QLineEdit>("txtServer")->setText(server);
        QTest::mouseClick(control<QPushButton>("cmdConnect"), Qt::LeftButton);
    }

    // The same with the pharmacy database ticked first.
    void connectPharmaTo(const QString& server)
    {
        QTest::mouseClick(control<QCheckBox>("chkPharma"), Qt::LeftButton);
        connectTo(server);
    }

    std::unique_ptr<frmYearEnd> m_window;
    CapturingSink m_sink;
};
