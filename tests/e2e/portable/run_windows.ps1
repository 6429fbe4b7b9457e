# Runs one portable scenario on Windows, as run_wine.sh's scenarios do under
# Wine: mounts the CD image, gives the scenario its variables and runs it
# with the driver, after the platform layer's behaviour cases
# (platform_check.exe, every case as written: its Wine exemptions apply
# under Wine only). Needs an administrator's console (both programs ask for
# administrator rights; with UAC on, start PowerShell "as administrator"), a
# 64-bit Windows, and no C:\Program Files\Harborlit\Drama1 yet: the scenario
# installs there. The restart-time list it leaves deletes the installation
# at the next restart.
#
#   powershell -ExecutionPolicy Bypass -File run_windows.ps1 -Bundle DIR -Scenario uninstall_link
#
# DIR is what bundle.sh made (cd.iso, bin\, portable\); pictures and logs go
# to DIR\out\SCENARIO. Exit code 0 when every step passed.
param(
  [Parameter(Mandatory = $true)] [string] $Bundle,
  [Parameter(Mandatory = $true)] [string] $Scenario
)
$ErrorActionPreference = 'Stop'
$Bundle = (Resolve-Path $Bundle).Path
$out = Join-Path $Bundle "out\$Scenario"
New-Item -ItemType Directory -Force -Path $out | Out-Null

& (Join-Path $Bundle 'bin\platform_check.exe') *> (Join-Path $out 'platform_check.log')
$checked = $LASTEXITCODE
Get-Content (Join-Path $out 'platform_check.log') | Select-Object -Last 1

$image = Mount-DiskImage -ImagePath (Join-Path $Bundle 'cd.iso') -PassThru
try {
  $env:CD_DRIVE = ($image | Get-Volume).DriveLetter
  $env:SHOTS = $out
  & (Join-Path $Bundle 'bin\e2e_driver.exe') (Join-Path $Bundle "portable\$Scenario.txt") *> (Join-Path $out "$Scenario.log")
  $driven = $LASTEXITCODE
  Get-Content (Join-Path $out "$Scenario.log") | Select-Object -Last 3
} finally {
  Dismount-DiskImage -ImagePath (Join-Path $Bundle 'cd.iso') | Out-Null
}
if ($checked -ne 0 -or $driven -ne 0) { exit 1 }
exit 0
