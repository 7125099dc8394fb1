#pragma once

#include "platform/Error.h"

#include <QByteArray>

#include <functional>

class HeldItem;

// A new hidden name, ".twinsift-" and a random part, under which a change of a held item parks it or
// makes what takes its place. An undo finds items left under such names by a killed task.
QByteArray newPrivateName();

// Renames the held item to a private name in its folder, checks that what now has that name is the item,
// unchanged since it was opened, and hands the private name to `act`. Whatever was found, and the item
// when `act` fails, is put back.
MaybeError withPrivateName(const HeldItem &item, const std::function<MaybeError(const QByteArray &)> &act);
