// The messages screen: letters, bulletins and notices.
#pragma once
#include <string>

struct TMessageRec;

void MessagesScreen();
void ShowMessage(const TMessageRec& m, bool markNew);
void WriteMessage(int mailbox);
