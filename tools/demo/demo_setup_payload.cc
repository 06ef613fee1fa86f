#include "demo_setup_payload.h"

// The files are pulled in by the assembler (.incbin) rather than as C arrays:
// a 10 MiB array literal takes the compiler minutes. The build passes the two
// paths as LUMACAST_DEMO_PRODUCT_FILE and LUMACAST_DEMO_PADDING_FILE.
// PE's assembler has no .pushsection: switch to .rdata and back to .text.
#if defined(_WIN32)
#define DEMO_ENTER_READONLY ".section .rdata,\"dr\"\n"
#define DEMO_LEAVE_READONLY ".text\n"
#else
#define DEMO_ENTER_READONLY ".pushsection .rodata\n"
#define DEMO_LEAVE_READONLY ".popsection\n"
#endif

__asm__(DEMO_ENTER_READONLY
        ".balign 16\n"
        "lumacast_demo_product_begin:\n"
        ".incbin \"" LUMACAST_DEMO_PRODUCT_FILE "\"\n"
        "lumacast_demo_product_end:\n"
        ".balign 16\n"
        "lumacast_demo_padding_begin:\n"
        ".incbin \"" LUMACAST_DEMO_PADDING_FILE "\"\n"
        "lumacast_demo_padding_end:\n"
        DEMO_LEAVE_READONLY);

extern "C" const unsigned char kProductBegin[] __asm__("lumacast_demo_product_begin");
extern "C" const unsigned char kProductEnd[] __asm__("lumacast_demo_product_end");
extern "C" const unsigned char kPaddingBegin[] __asm__("lumacast_demo_padding_begin");
extern "C" const unsigned char kPaddingEnd[] __asm__("lumacast_demo_padding_end");

DemoBlob DemoProductBytes() { return {kProductBegin, static_cast<size_t>(kProductEnd - kProductBegin)}; }
DemoBlob DemoPaddingBytes() { return {kPaddingBegin, static_cast<size_t>(kPaddingEnd - kPaddingBegin)}; }
