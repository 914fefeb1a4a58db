// The driver's scenarios that live in files of their own; each takes the driver's arguments
// and returns its exit code (see the head of driver.cpp).
#pragma once

int Details(int argc, char** argv);
