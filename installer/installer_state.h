// The installer's state: one of each for the whole run.
#pragma once

#include "platform/windows.h"

class CaptionBar;
class TextButton;

#define INSTALLER_CLASS u"WENLU Installer"
#define INSTALLER_WIDTH 440
#define INSTALLER_HEIGHT 551
#define INSTALLER_TOP 224

extern HINSTANCE InstallerInstance;
extern HWND MainWindow;
// The chosen file's full path, lowercased (the Locate step's checks read it).
extern WCHAR PathBuffer[MAX_PATH];
// The same path as the dialog gave it: on a case-sensitive file system only this one
// names the file. The conversion extends it to the converted file's path.
extern WCHAR SourcePath[MAX_PATH];
// The chosen file's name without its folder, as the dialog gave it.
extern WCHAR FileNameBuffer[MAX_PATH];
extern HDC StepsPanelDc;
extern CaptionBar* MainCaptionBar;
extern TextButton* LocateButton;
extern TextButton* ProcessButton;
extern TextButton* TransferButton;
extern TextButton* ExitButton;
