#pragma once

// Symbols that the host libraries export to plug-in modules. Modules are built with hidden
// visibility; everything marked here resolves against the host's shared libraries.
#define VORNSDK_API __attribute__((visibility("default")))
