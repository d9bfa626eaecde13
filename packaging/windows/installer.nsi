; The Trackpace installer: the program in Program Files, a Start-menu entry with the
; locomotive icon, and an uninstaller that removes every file it placed. The settings
; the program saves stay in the user's %APPDATA%\Trackpace, as a user's own files.
; makensis -DVERSION=… -DSTAGE=… -DOUTFILE=… -DICON=… installer.nsi (files.nsh and
; unfiles.nsh, beside the stage, list what is placed and removed).

Unicode true
; A 64-bit installer for the 64-bit program (it also runs where only 64-bit Windows programs can).
Target amd64-unicode
SetCompressor /SOLID lzma
!include "${STAGE}/../files.nsh"

Name "Trackpace ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\Trackpace"
RequestExecutionLevel admin
ShowInstDetails show

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trackpace"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Trackpace"
    SetShellVarContext all
    !insertmacro InstallFiles
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Trackpace.lnk" "$INSTDIR\trackpace.exe" "" "$INSTDIR\trackpace.exe" 0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Trackpace"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Trackpace developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\trackpace.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\Trackpace.lnk"
    !insertmacro RemoveFiles
    Delete "$INSTDIR\Uninstall.exe"
    ; Only the folders it made, and only where they are empty now.
    !insertmacro RemoveFolders
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
