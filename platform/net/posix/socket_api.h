// The platform's socket declarations for code shared by both net layers (POSIX).
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
