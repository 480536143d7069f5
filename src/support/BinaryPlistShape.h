#pragma once

#include <QByteArrayView>

// A look at the object graph of a binary property list before the library
// reads it. The library follows every reference afresh and checks each level
// against all levels above it, so a file of a megabyte can nest a hundred
// thousand levels (minutes of work) or share one array a million times over
// (gigabytes), and a dictionary key that is not a string, or holds a zero
// character, stops the program with an assertion. The files the program reads nest a few levels,
// name each object about once and key their dictionaries with strings.
namespace BinaryPlistShape {

inline constexpr int maximumDepth = 256;

// False when the list nests deeper than maximumDepth, would unfold into more
// objects than one for every eight bytes (and a thousand) or keys a
// dictionary with something other than a string free of zero characters. Bytes that are not a
// binary list at all pass: the library refuses them itself.
bool isReasonable(QByteArrayView data);

} // namespace BinaryPlistShape
