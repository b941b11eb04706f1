#pragma once
// Marks a hot loop for an AVX2 build beside the plain one, the processor's
// choosing at load time. That choice needs the ELF loader's indirect
// functions; a Windows program takes the plain build alone.

#if defined(__ELF__)
#define MIREL_VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define MIREL_VECTOR_CLONES
#endif
