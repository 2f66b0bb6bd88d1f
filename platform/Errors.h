#pragma once

#include <stdexcept>
#include <string>

// Errors the program reports to the user. Messages are Japanese texts ready for a message box.
class EPelumiError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that does not convert: an impossible calendar date, a bad colour value.
class EConvertError : public EPelumiError {
public:
    using EPelumiError::EPelumiError;
};

// An index outside a list.
class EListError : public EPelumiError {
public:
    using EPelumiError::EPelumiError;
};

// A file that cannot be read or written.
class EFileError : public EPelumiError {
public:
    using EPelumiError::EPelumiError;
};

// A download that failed (connection, proxy, error status, time-out, oversized body).
class EHttpError : public EPelumiError {
public:
    using EPelumiError::EPelumiError;
};

// A download stopped because the program asked it to (a newer choice, or the program ends).
class EHttpCancelled : public EHttpError {
public:
    using EHttpError::EHttpError;
};

// A place that the live source's look-up does not know; the message says which.
class ELocationNotFound : public EPelumiError {
public:
    using EPelumiError::EPelumiError;
};
