// The windows of the other layers that the main window and the detailed
// form open through their hooks: the FTP window and the server edition.
#pragma once

#include <memory>

class AppContext;
class Form3;
class Form3View;
class QWidget;

class ToolWindows {
public:
    // mainWindow is hidden when the server edition opens.
    ToolWindows(AppContext& context, QWidget* mainWindow);
    ~ToolWindows();

private:
    void showServer();

    AppContext& context_;
    QWidget* mainWindow_;
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form3View> form3View_;
};
