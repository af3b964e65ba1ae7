// The control interface of the scripted fake Embedded SQL library: what a test
// looks up in a loaded fake to script its answers and read the calls it got.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Forgets the calls, scripts and options and restores the default answers.
void fake_reset(void);
// Queues the answer for the next call of the entry point: the sqlcode, the
// message text sqlerror_message then returns, the state text, the function
// result (db_init, db_find_engine, db_is_working, ...) and the count field.
// A call without a queued answer succeeds (code 0, result 1, count 0).
void fake_script(const char* entry, int code, const char* message, const char* state, int result,
                 int count);
// The versions db_version_check accepts: bit n for version n.
void fake_set_versions(unsigned mask);
// Server options dbpp_getoption reports; dbpp_setoption stores into the same.
void fake_set_option(const char* name, const char* value);
const char* fake_get_option(const char* name);  // null when not set
// The calls so far, each as "name(argument,...)" without the SQLCA and the
// program record; strings as given, null pointers as "null", a descriptor as
// "da(sqld,sqltype,sqllen)" (with ":value" for a string value set).
int fake_call_count(void);
const char* fake_call(int index);
const void* fake_call_sqlca(int index);  // null for calls without one
const void* fake_call_prog(int index);   // the long form's second argument
// Descriptors from alloc_sqlda not given back yet.
int fake_open_sqldas(void);
// The routine last registered with db_register_a_callback for the index
// (null when none or cleared).
void (*fake_callback(int index))(void);
// (A db_backup page read that succeeds fills the descriptor's binary entry:
// the 16-bit length, a scripted result above 1 or else the whole buffer, then
// bytes 'a' + page % 26.)

// The input entries a describe of input variables (what 2) reports from now on
// until a reset: "type:len:ind" separated by commas, ind the describe's flag
// word (bit 15 output, bit 14 input). Null or "" reports none.
void fake_set_inputs(const char* entries);
// The input descriptor a call sent (dbpp_open, dbpp_execute_into), entry by
// entry as "type/len/ind" joined by spaces, with ":N" added for the 16-bit
// length a varchar or binary value starts with; null for calls without one.
const char* fake_call_inputs(int index);

// 1 for the long call form, 0 for the short.
int fake_long_form(void);

#ifdef __cplusplus
}
#endif
