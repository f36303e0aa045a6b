#pragma once

// The word size in the agent's feed address, written out for the processor
// the tests are built for: only an x86-64 agent asks for the 64-bit feed,
// every other processor for the 32-bit one.
#if defined(__x86_64__)
#define FEED_WORD_SIZE "64"
#else
#define FEED_WORD_SIZE "32"
#endif
