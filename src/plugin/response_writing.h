// Filling the ResponseRecord of a call of one of the plugin's functions.
//
// Everything written here is allocated from the plugin's counting heap and
// freed by ReleaseResponseRecord, which StartResponse stores in the record
// for the core to call when it is done. A streamed body is handed over
// separately: the core reads it with the record's stream read operation and
// frees it with its stream release operation.
//
//   StartResponse(response);
//   WriteFailure(response, Failure::NotFound("Invalid function"));
//   ...the core reads the record, then calls response->record_release(response)...
#ifndef TAV_PLUGIN_RESPONSE_WRITING_H_
#define TAV_PLUGIN_RESPONSE_WRITING_H_

#include <string_view>

#include "binding/binding_property.h"
#include "plugin/failure.h"
#include "tav/plugin_abi.h"

namespace tav {

class BindingTypeRegistry;

// Zero-fills the record and stores the frame's release operation in it.
void StartResponse(ResponseRecord* response);

// The value as the result, status 200.
void WriteValue(ResponseRecord* response, const BindingProperty& value,
                const BindingTypeRegistry& registry);

// The failure's message as the owned error text, with its status,
// additional text, headers and streamed body.
void WriteFailure(ResponseRecord* response, const Failure& failure);

// Shorthand for a failure with only a message and a status.
void WriteError(ResponseRecord* response, std::string_view message, uint32_t status);

// Frees what the frame allocated in the record (the value, an owned error
// text, the additional text, the header pairs) and zeroes those fields. The
// stream fields are left alone: the stream has its own release operation.
// Safe to call twice.
void ReleaseResponseRecord(ResponseRecord* response);

}  // namespace tav

#endif  // TAV_PLUGIN_RESPONSE_WRITING_H_
