#pragma once

// CPU time the calling thread has used, in seconds: unlike wall time it does not grow while
// other processes hold the machine's cores, so timings compare across loads.
double threadCpuSeconds();
