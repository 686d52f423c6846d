; Quib's Windows installer: quib.exe and arena.dat in Program Files\Quib, a Start-menu
; shortcut, an uninstaller listed in Add/Remove Programs, and a firewall rule that lets the
; friend's copy dial in on TCP 6112. scripts/package defines VERSION, EXE, ARENA and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

Name "Quib"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Quib"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quib"
!define FIREWALL "advfirewall firewall"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=quib.exe" "${EXE}"
  File "/oname=arena.dat" "${ARENA}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Quib.lnk" "$INSTDIR\quib.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quib"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quib.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; A missing or failing netsh leaves Quib installed without the rule: the player can still
  ; dial out, or allow the port by hand.
  nsExec::Exec '"$SYSDIR\netsh.exe" ${FIREWALL} delete rule name="Quib"'
  Pop $0
  nsExec::Exec '"$SYSDIR\netsh.exe" ${FIREWALL} add rule name="Quib" dir=in action=allow protocol=TCP localport=6112'
  Pop $0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  nsExec::Exec '"$SYSDIR\netsh.exe" ${FIREWALL} delete rule name="Quib"'
  Pop $0
  Delete "$SMPROGRAMS\Quib.lnk"
  Delete "$INSTDIR\quib.exe"
  Delete "$INSTDIR\arena.dat"
  ; Where the program folder is writable (Wine) the program keeps the last friend's address here.
  Delete "$INSTDIR\Opponent.dat"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
