#pragma once

// Starts Winsock for the life of the program on the first call; false when it cannot start.
// Every call that uses sockets or the name service asks first.
bool StartWinsock();
