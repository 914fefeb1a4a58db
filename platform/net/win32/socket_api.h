// The platform's socket declarations for code shared by both net layers (Winsock 2).
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
