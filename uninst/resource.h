// Resource ids of the uninstaller's dialogs and their controls.
#pragma once
