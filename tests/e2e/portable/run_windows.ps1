# Runs one portable scenario on Windows, as wine.sh runs them under Wine:
# mounts the CD image, gives the scenario its variables and runs it with the
# driver, after the platform layer's behaviour cases
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

# Runs a program with its output, bytes as they are (UTF-8), in a log file:
# cmd's redirection, so PowerShell neither decodes the output nor takes a
# line on stderr for an error of its own. Returns the exit code.
function Invoke-Logged([string] $Program, [string] $Arguments, [string] $Log) {
  & cmd.exe /c "`"`"$Program`" $Arguments > `"$Log`" 2>&1`""
  $code = $LASTEXITCODE
  Get-Content -Encoding UTF8 -Tail 3 $Log | Write-Host
  return $code
}

$checked = Invoke-Logged (Join-Path $Bundle 'bin\platform_check.exe') '' (Join-Path $out 'platform_check.log')

$iso = Join-Path $Bundle 'cd.iso'
$image = Mount-DiskImage -ImagePath $iso -PassThru
try {
  # The new drive may take a moment to get its letter.
  $clock = [Diagnostics.Stopwatch]::StartNew()
  do {
    $letter = ($image | Get-Volume).DriveLetter
    if ($letter) { break }
    Start-Sleep -Milliseconds 200
  } while ($clock.Elapsed.TotalSeconds -lt 60)
  if (-not $letter) { throw "the mounted image got no drive letter within 60 s" }
  $env:CD_DRIVE = "$letter"
  $env:SHOTS = $out
  $script = Join-Path $Bundle "portable\$Scenario.txt"
  $driven = Invoke-Logged (Join-Path $Bundle 'bin\e2e_driver.exe') "`"$script`"" (Join-Path $out "$Scenario.log")
} finally {
  Dismount-DiskImage -ImagePath $iso | Out-Null
}
if ($checked -ne 0 -or $driven -ne 0) { exit 1 }
exit 0
