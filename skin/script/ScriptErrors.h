// The error codes of the skin script language, shared by its three stages
// (lexer, parser, machine) and the host. Every stage raises one of them by
// throwing the value; each stage's entry point returns it, 0 meaning success.
#pragma once

enum HXS_ERR {
    HXS_ERR_NONE = 0,
    HXS_ERR_CTOI = 110,
    HXS_ERR_DBCS = 111,
    HXS_ERR_TOKEN = 112,
    HXS_ERR_HEX_NUMBER = 113,
    HXS_ERR_REAL_NUMBER = 114,
    HXS_ERR_BINARY_NUMBER = 115,
    HXS_ERR_DECIMAL_NUMBER = 116,
    HXS_ERR_EOF_COMMENT = 117,
    // A string literal whose closing quotation mark never comes.
    HXS_ERR_EOF_STRING = 118,
    HXS_ERR_UNEXPECTED_EOF = 200,
    HXS_ERR_SYNTAX = 201,
    // The text nests deeper than the parser follows.
    HXS_ERR_TOO_DEEP = 202,
    HXS_ERR_VM_INTERNAL = 300,
    HXS_ERR_BINARY_OPERATOR = 301,
    HXS_ERR_STRING_OPERATOR = 302,
    HXS_ERR_DIVIDE_BY_ZERO = 303,
    HXS_ERR_VAR_REDEFINITION = 304,
    HXS_ERR_FUNC_REDEFINITION = 305,
    HXS_ERR_UNDECLARED_FUNCTION = 306,
    HXS_ERR_PARAM_TYPE = 307,
    HXS_ERR_PARAM_COUNT = 308,
    HXS_ERR_API_PARAM_TYPE = 309,
    HXS_ERR_API_PARAM_COUNT = 310,
    HXS_ERR_API_CALL = 311,
    HXS_ERR_ASSIGN_UNDEFINED = 312,
    // Calls or evaluation nest deeper than the machine follows.
    HXS_ERR_CALL_DEPTH = 313,
    // A run asked for while the same host is already running a text.
    HXS_ERR_REENTRANT_RUN = 314,
    // The run took more steps than the limit its owner set.
    HXS_ERR_STEP_LIMIT = 315,
    // A string would grow beyond the longest the machine makes.
    HXS_ERR_STRING_TOO_LONG = 316,
};
