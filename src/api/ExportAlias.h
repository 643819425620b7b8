// ExportAlias.h - a second exported name for an export's entry point. Windows builds take the
// aliases from the module-definition file; ELF builds get them here, in the translation unit
// that defines the target.
#pragma once

#if defined(_WIN32)
#define OVILUX_EXPORT_ALIAS(alias, target)
#else
#define OVILUX_EXPORT_ALIAS(alias, target) \
    asm(".globl " #alias "\n\t.type " #alias ", @function\n\t.set " #alias ", " #target);
#endif
