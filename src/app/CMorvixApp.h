#pragma once

#include "app/CMorvixDoc.h"

#include <QApplication>
#include <memory>

class CMainFrame;

// The application: one frame, one empty document, one view.
class CMorvixApp : public QApplication {
    Q_OBJECT

public:
    CMorvixApp(int& argc, char** argv);
    ~CMorvixApp() override;

    // Creates the frame and the view, runs the view's initial update and shows the window.
    bool InitInstance();
    CMainFrame* MainFrame() { return m_mainFrame.get(); }

    void OnAppAbout();
    void OnFileNew();
    void OnFileOpen();

private:
    void AddShortcuts();

    CMorvixDoc m_document;
    std::unique_ptr<CMainFrame> m_mainFrame;
};
