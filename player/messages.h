// The messages screen (letters, bulletins, notices) and the Exchange.
#pragma once
#include <string>

struct TMessageRec;

void MessagesScreen();
void ExchangeScreen();
void ShowMessage(const TMessageRec& m, bool markNew);
void WriteMessage(int mailbox);
