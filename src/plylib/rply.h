// The project's PLY reader and writer. It offers the C-style API the conversions are written
// against (handles, storage modes, read callbacks, value-by-value writing) and knows nothing of
// the rest of the library.
#pragma once

#include <cstddef>

typedef struct t_ply_ *p_ply;
typedef struct t_ply_element_ *p_ply_element;
typedef struct t_ply_property_ *p_ply_property;
typedef struct t_ply_argument_ *p_ply_argument;

typedef enum e_ply_storage_mode_ {
    PLY_BIG_ENDIAN,
    PLY_LITTLE_ENDIAN,
    PLY_ASCII,
    PLY_DEFAULT
} e_ply_storage_mode;

typedef enum e_ply_type {
    PLY_INT8,
    PLY_UINT8,
    PLY_INT16,
    PLY_UINT16,
    PLY_INT32,
    PLY_UIN32,
    PLY_FLOAT32,
    PLY_FLOAT64,
    PLY_CHAR,
    PLY_UCHAR,
    PLY_SHORT,
    PLY_USHORT,
    PLY_INT,
    PLY_UINT,
    PLY_FLOAT,
    PLY_DOUBLE,
    PLY_LIST
} e_ply_type;

// Receives every failure of a handle as one line of text without a line end. `ply` is the
// handle, or null when the failure happened before there was one (ply_open, ply_create). A null
// callback given to ply_open or ply_create means the default: "RPly: MESSAGE" and a line end on
// standard error.
typedef void (*p_ply_error_cb)(p_ply ply, const char *message);
// Called by ply_read for each value of a property it was attached to (ply_set_read_cb). The
// ply_get_argument_* functions tell it the value and where it lies. Returns 1 to go on reading, 0
// to stop: ply_read then reports "Read aborted by the callback" and returns 0.
typedef int (*p_ply_read_cb)(p_ply_argument argument);

// Reading. A reader is used in this order: ply_open (or ply_open_memory), ply_read_header,
// ply_set_read_cb for the properties wanted, ply_read, ply_close. Every function below that
// returns a success flag returns 1 on success and 0 on failure, and reports each failure once
// through the handle's error callback; a null handle is a failure that is not reported.

// Opens the file `name` for reading, in binary mode. Nothing is read yet. `error_cb` receives
// the handle's failures (null: the default, see p_ply_error_cb); `idata` and `pdata` are kept for
// the caller (ply_get_ply_user_data). Returns the handle, or null when the file cannot be opened
// ("Unable to open file", a null `name` included) or memory runs out, reported with a null
// handle. The handle is released by ply_close.
p_ply ply_open(const char *name, p_ply_error_cb error_cb, long idata, void *pdata);
// The same over `size` bytes at `data`, which the caller keeps unchanged and alive until
// ply_close (the fuzzers and tests read this way). Returns null when `data` is null while
// `size` is not 0 ("No data to read") or memory runs out.
p_ply ply_open_memory(const void *data, std::size_t size, p_ply_error_cb error_cb, long idata,
                      void *pdata);
// Reads and checks the header: the "ply" line, the format line, the comment, obj_info, element
// and property lines, "end_header". Afterwards the declarations can be walked (ply_get_next_*)
// and callbacks attached. Returns 1, or 0 on the first fault (a word where a keyword is due, a
// bad count or type, a file that ends inside the header, a read error), the handle then being
// good only for ply_close. Also 0 when called twice or on a writer's handle.
int ply_read_header(p_ply ply);
// Attaches `read_cb` to the property `property_name` of the element `element_name`, between
// ply_read_header and ply_read; ply_read then calls it for each of the property's values, with
// `pdata` and `idata` given back by ply_get_argument_user_data. A null `read_cb` detaches the
// callback. Names are compared as C strings, and the first element and property of a name are
// taken. Returns the element's instance count (at most LONG_MAX), or 0 when the element or the
// property is not declared (not reported), when the property already feeds a column
// (rply_bulk.h), or when called outside that time (both reported). An element with no
// instances also gives 0.
long ply_set_read_cb(p_ply ply, const char *element_name, const char *property_name,
                     p_ply_read_cb read_cb, void *pdata, long idata);
// Reads the data: every element in header order, every instance, every property in declaration
// order. A property with a callback calls it once per scalar value; a list calls it once for its
// length (value index -1) and then once per entry (value index 0 to length - 1). Properties
// without one are read, checked and dropped. Returns 1 when every value was read, 0 at the first
// value that cannot be read (not a number of its type, out of its type's range, an invalid list
// length), at a file that ends early or cannot be read, when a callback returns 0, when memory
// runs out, and when the header was not read or the data was already read. The message names
// the element, the instance and the property. Bytes after the last instance are not looked at.
int ply_read(p_ply ply);

// What a read callback asks about the value at hand. `argument` is the one the callback was
// called with and is valid only during that call. Each returns 0 for a null argument.

// The value, converted to a double (exactly: every PLY type fits). For a list's first call, its
// length.
double ply_get_argument_value(p_ply_argument argument);
// The property being read, the length of its list (1 for a scalar) and the place of the value in
// it (-1 for a list's length, 0 for a scalar). Any out-pointer may be null. Returns 1.
int ply_get_argument_property(p_ply_argument argument, p_ply_property *property, long *length,
                              long *value_index);
// The element being read and the index of the instance at hand. Any out-pointer may be null.
// Returns 1.
int ply_get_argument_element(p_ply_argument argument, p_ply_element *element, long *instance_index);
// The `pdata` and `idata` given to ply_set_read_cb. Any out-pointer may be null. Returns 1.
int ply_get_argument_user_data(p_ply_argument argument, void **pdata, long *idata);
// The `pdata` and `idata` given when the handle was opened or created. Any out-pointer may be
// null. Returns 1, or 0 for a null handle.
int ply_get_ply_user_data(p_ply ply, void **pdata, long *idata);

// Writing. A writer is used in this order: ply_create (or ply_create_sink), the declarations
// (ply_add_element and its properties, ply_add_comment, ply_add_obj_info), ply_write_header, one
// ply_write per value, ply_close. Success flags and failure reports are as for reading.

// Creates or truncates the file `name` for writing in `storage_mode` (PLY_DEFAULT: the
// machine's byte order). `error_cb`, `idata` and `pdata` are as for ply_open. Returns the
// handle, or null when the mode is not one of the four ("Invalid storage mode"), the file cannot
// be created ("Unable to create file", a null `name` included) or memory runs out, reported with
// a null handle.
p_ply ply_create(const char *name, e_ply_storage_mode storage_mode, p_ply_error_cb error_cb,
                 long idata, void *pdata);
// Where the written bytes go when they do not go straight to a named file: `write` receives
// blocks of output in order and returns 1 when it took them, 0 on failure. A failure is kept and
// makes ply_close return 0.
typedef int (*p_ply_sink_write)(void *sink, const void *data, std::size_t size);
// The same as ply_create, the bytes going to `write` with `sink` as its first argument instead
// of into a file. Returns null also when `write` is null ("No write callback").
p_ply ply_create_sink(p_ply_sink_write write, void *sink, e_ply_storage_mode storage_mode,
                      p_ply_error_cb error_cb, long idata, void *pdata);
// Declares the next element: its name (at least one byte, no blanks or line ends) and how many
// instances will be written. Properties added next belong to it. Returns 1, or 0 for an invalid
// name, a negative count, after ply_write_header, on a reader's handle or when memory runs out.
int ply_add_element(p_ply ply, const char *name, long ninstances);
// Declares a scalar property of the latest element: its name (as for elements) and its type,
// one of the sixteen scalar types (not PLY_LIST). Returns 1, or 0 for an invalid name or type,
// when no element is declared yet, after ply_write_header, on a reader's handle or when memory
// runs out.
int ply_add_scalar_property(p_ply ply, const char *name, e_ply_type type);
// Declares a list property of the latest element: each instance writes a length of
// `length_type` and then that many entries of `value_type` (both scalar types). Returns 1, or 0
// as ply_add_scalar_property does.
int ply_add_list_property(p_ply ply, const char *name, e_ply_type length_type,
                          e_ply_type value_type);
// Adds a "comment" line to the header, written in the order added. The text may hold anything
// but a line end. Returns 1, or 0 for a null text or one with a line end, after
// ply_write_header, on a reader's handle or when memory runs out.
int ply_add_comment(p_ply ply, const char *comment);
// Adds an "obj_info" line to the header; the rest as for ply_add_comment.
int ply_add_obj_info(p_ply ply, const char *obj_info);
// Writes the header of the declarations so far; none may follow. Returns 1, or 0 when called
// twice, on a reader's handle, when memory runs out or when the output fails ("Error writing the
// output").
int ply_write_header(p_ply ply);
// Writes the next value in declaration order: element by element (those with no instances or no
// properties passed over), instance by instance, property by property, a list's length before
// its entries. The value is converted to the property's type, integers truncated toward zero.
// ASCII values are written in the shortest text that reads back as the same value, one blank
// apart, each instance on its own line. Returns 1, or 0 when the type cannot hold the value (an
// integer outside its type's range, NaN for an integer, beyond the largest float for float32;
// a list length must also be a non-negative whole number once converted), when every declared
// value is written, before ply_write_header, on a reader's handle, when memory runs out or when
// the output failed.
// A refused value leaves the position unchanged: the next value takes its place.
int ply_write(p_ply ply, double value);

// Finishes with a handle and releases it, whether or not an earlier call failed. A writer hands
// on what is still buffered and closes its file. Returns 1, or 0 for a null handle, when the
// output failed at any point (reported once) or when the file cannot be closed; the handle is
// released either way and may not be used again.
int ply_close(p_ply ply);

// Inspecting the declarations of a handle (read from a header, or declared for writing), as in
// RPly. The texts stay valid until ply_close.

// The element after `last`, or the first one when `last` is null; null after the last one and
// for a null handle.
p_ply_element ply_get_next_element(p_ply ply, p_ply_element last);
// The element's name and declared instance count (at most LONG_MAX). Any out-pointer may be
// null. Returns 1, or 0 for a null element.
int ply_get_element_info(p_ply_element element, const char **name, long *ninstances);
// The property of `element` after `last`, or its first one when `last` is null; null after the
// last one and for a null element.
p_ply_property ply_get_next_property(p_ply_element element, p_ply_property last);
// The property's name and types. For a scalar, `type`, `length_type` and `value_type` all give
// its type; for a list, `type` is PLY_LIST and the others its length's and entries' types. Any
// out-pointer may be null. Returns 1, or 0 for a null property.
int ply_get_property_info(p_ply_property property, const char **name, e_ply_type *type,
                          e_ply_type *length_type, e_ply_type *value_type);
// The comment text after `last`, which must be a pointer this function returned, or the first
// one when `last` is null; null after the last one and for a null handle.
const char *ply_get_next_comment(p_ply ply, const char *last);
// The same for obj_info texts.
const char *ply_get_next_obj_info(p_ply ply, const char *last);
