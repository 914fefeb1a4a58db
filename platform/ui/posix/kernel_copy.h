// The kernel's bounded copy (lstrcpynA) for front-ends on platforms without one: copies at most
// count - 1 characters and terminates; a count of 0 writes nothing; null pointers give null.
#pragma once

char* KernelCopyN(char* destination, const char* source, int count);
