#pragma once

#include <QString>

#include <memory>

class QMessageBox;

// A warning that stays on screen without stopping the window behind it: built once, shown
// again only when it was closed or its text changed. Under a test script it is recorded like
// every other box.
class SaturationNotice
{
public:
    SaturationNotice();
    ~SaturationNotice();
    SaturationNotice(const SaturationNotice&) = delete;
    SaturationNotice& operator=(const SaturationNotice&) = delete;

    void show(const QString& text);
    bool isShowing() const;
    void close();

private:
    std::unique_ptr<QMessageBox> m_box;
};
