// The real, modal message box behind MessageBox::Show.
#pragma once

// Installs the presenter that shows a QMessageBox over the active window.
void InstallWidgetMessageBox();
