/*
 * Return codes of the board hardware API and of the remote call protocol.
 *
 * Codes are 32-bit values. The local API produces most of them and both
 * remote modules pass them through unchanged; the five below are the only
 * ones the modules produce or test themselves.
 */
#ifndef OMBIX_TYPES_H
#define OMBIX_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Success: outputs are valid. */
#define OMBIX_RC_OK 0
/* A storage transfer was given a negative byte count. */
#define OMBIX_RC_NEGATIVE_LENGTH 1
/* A list call asked for more than 512 elements, or a transfer for more than 262144 bytes. */
#define OMBIX_RC_OVER_LIMIT 12
/* The only non-zero code with which outputs travel: treat it like OMBIX_RC_OK. */
#define OMBIX_RC_OUTPUTS_VALID 16
/* A parameter or output did not match its name, JSON type or encoding. */
#define OMBIX_RC_VALUE_MISMATCH 65543

/* Bounds of the list and transfer calls. */
#define OMBIX_MAX_LIST_COUNT 512
#define OMBIX_MAX_TRANSFER_BYTES 262144

/* Size of every text field of a record and of a performance state description. */
#define OMBIX_TEXT_SIZE 128
#define OMBIX_DESCRIPTION_SIZE 128

#ifdef __cplusplus
}
#endif

#endif
