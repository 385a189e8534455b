; The Windows installer of TER5 Manager, made with NSIS (makensis, Debian package nsis):
; the desktop program, ter5tool.exe, the default template tables, the map cursors and the
; Russian user manual under Program Files, a Start-menu entry and an uninstaller. "/S"
; installs silently, for administrators.
;
; The build passes the paths of what it installs:
;   makensis -DVERSION=1.0.0.2 -DPROGRAM=ter5manager.exe -DTOOL=ter5tool.exe
;            -DTEMPLATES=dir -DCURSORS=dir -DMANUAL=dir -DOUTFILE=setup.exe ter5manager.nsi

; A 64-bit installer for the 64-bit program (it also runs where no 32-bit Windows layer is).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "TER5 Manager"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TER5 Manager"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetShellVarContext all
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "/oname=ter5manager.exe" "${PROGRAM}"
  File "/oname=ter5tool.exe" "${TOOL}"
  SetOutPath "$INSTDIR\templates"
  File /r /x ter5manager.lock "${TEMPLATES}\*.*"
  SetOutPath "$INSTDIR\cursors"
  File "${CURSORS}\*.cur"
  SetOutPath "$INSTDIR\manual"
  File /r "${MANUAL}\*.*"

  ; The Start-menu entry starts the program in the folder it was installed into.
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\ter5manager.exe" "--show"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Руководство пользователя.lnk" "$INSTDIR\manual\index.html"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Удалить ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
  Delete "$INSTDIR\ter5manager.exe"
  Delete "$INSTDIR\ter5tool.exe"
  RMDir /r "$INSTDIR\templates"
  RMDir /r "$INSTDIR\cursors"
  RMDir /r "$INSTDIR\manual"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir /r "$SMPROGRAMS\${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
