/* Compiled for both 64-bit and 32-bit targets: the header's static_asserts
 * pin every record's size and field offsets, and a C compiler must accept
 * the header on its own. */
#include "tav/plugin_abi.h"

int tav_abi_layout_checked(void) { return (int)sizeof(ResponseRecord); }
