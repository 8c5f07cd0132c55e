; A peer installer for the side-by-side benchmark: the same six files, settings file,
; data folders, Start-menu shortcut and registry values as the Sorvane setup's silent
; run, made with a common installer generator (zlib, Unicode stub): 32-bit as the
; product is, or 64-bit with -DAMD64 beside the 64-bit build.
; makensis -DPAYLOADS=<folder with the six files> -DOUT=<exe> [-DAMD64] [-DEMPTY] peer_installer.nsi
Unicode true
!ifdef AMD64
Target amd64-unicode
!else
Target x86-unicode
!endif
SetCompressor zlib
RequestExecutionLevel admin
SilentInstall silent
Name "Sorvane"
OutFile "${OUT}"
!ifdef AMD64
InstallDir "$PROGRAMFILES64\Sorvane"
!else
InstallDir "$PROGRAMFILES\Sorvane"
!endif

Section
  SetOutPath "$INSTDIR"
!ifndef EMPTY
  File "${PAYLOADS}/tessen.exe"
  File "${PAYLOADS}/harlock.exe"
  File "${PAYLOADS}/_marrow.exe"
  File "${PAYLOADS}/sporder.dll"
  SetOutPath "$INSTDIR\plugin"
  File "${PAYLOADS}/_pellin.dll"
  SetOutPath "$INSTDIR"
  File "${PAYLOADS}/Uninstall.exe"
!endif
  SetShellVarContext all
  CreateDirectory "$APPDATA\Sorvane\datax"
  CreateDirectory "$INSTDIR\datax"
  WriteINIStr "$INSTDIR\datax\kayit.dat" "Ayarlar" "Language" "english.lng"
  CreateDirectory "$SMPROGRAMS\Sorvane"
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\Sorvane\Sorvane.lnk" "$INSTDIR\tessen.exe"

  WriteRegStr HKCU "Software\OrvikSoft\Sorvane" "Path" "$INSTDIR\"
  WriteRegStr HKCU "Software\OrvikSoft\Sorvane" "Version" "2.2.08"
  DeleteRegValue HKCU "SOFTWARE\Microsoft\Windows\CurrentVersion\Run" "tessen"
  WriteRegStr HKLM "Software\OrvikSoft\Sorvane" "Path" "$INSTDIR\"
  WriteRegStr HKLM "Software\OrvikSoft\Sorvane" "Version" "2.2.08"
  WriteRegStr HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Run" "tessen" "$INSTDIR\tessen.exe"
  !define UNINST "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Sorvane"
  WriteRegStr HKLM "${UNINST}" "DisplayName" "Sorvane"
  WriteRegStr HKLM "${UNINST}" "UninstallString" "$INSTDIR\Uninstall.exe -uninstall -f"
  WriteRegStr HKLM "${UNINST}" "Publisher" "Orvik Software"
  WriteRegStr HKLM "${UNINST}" "DisplayIcon" "$INSTDIR\tessen.exe,0"
  WriteRegStr HKLM "${UNINST}" "DisplayVersion" "2.2"
  WriteRegStr HKLM "${UNINST}" "URLInfoAbout" "http://www.sorvane.com.tr/"
  WriteRegStr HKLM "${UNINST}" "URLUpdateInfo" "http://www.sorvane.com.tr/"
  WriteRegStr HKLM "${UNINST}" "InstallDate" "20261209"
  WriteRegStr HKLM "${UNINST}" "InstallLocation" "$INSTDIR\"
  WriteRegStr HKLM "${UNINST}" "InstallSource" "$EXEDIR\"
  WriteRegStr HKLM "${UNINST}" "RegOwner" "Orvik Software"
  WriteRegStr HKLM "${UNINST}" "RegCompany" "Orvik Software"
  WriteRegDWORD HKLM "${UNINST}" "Version" 3
  WriteRegDWORD HKLM "${UNINST}" "VersionMajor" 3
  WriteRegDWORD HKLM "${UNINST}" "VersionMinor" 3
  WriteRegDWORD HKLM "${UNINST}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINST}" "EstimatedSize" 15250
SectionEnd
