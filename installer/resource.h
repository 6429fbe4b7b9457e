// Resource ids of the installer's dialogs and their controls.
#pragma once
