/*
 * quorlin.h -- the programming-station driver (Quorlin) for host applications that do not use COM.
 *
 * A host personalization application creates one driver object and calls its seven methods on one
 * thread: QuorlinInitialize at the start of a job, QuorlinProcessCard once per card,
 * QuorlinTerminateJob at the end, and the four device-name methods when it needs them. Each method
 * reads the driver's settings afresh, talks to the Rudari Zovuravirero over its own TCP connection
 * and blocks until that exchange is over (there are no time-outs). The driver writes its log file as
 * the COM component does.
 *
 * Results. Every method returns its method result:
 *   QUORLIN_OK (0)                the call ran; the outcome is in *status (and the other outputs)
 *   QUORLIN_BAD_ARRAY (87)        an input byte array cannot be read (a NULL pointer with a length
 *                                 above 0)
 *   QUORLIN_E_POINTER             the driver or a required output pointer is NULL; nothing ran
 *   QUORLIN_E_OUTOFMEMORY         the driver ran out of memory (logged)
 *   QUORLIN_E_UNEXPECTED          any other failure inside the driver (logged)
 * *status carries the method's Status: 0 success, -1000 Rudari Zovuravirero not reachable, -1002 a
 * smart card reader could not be connected, -1003 unexpected answer, -1005 device already
 * registered, -1006 no such device name, 212 more than 3 resends in a row, or the host's accept
 * code. Outputs are written only when the method writes them (QuorlinProcessCard leaves *status
 * and the audit data alone when the host closes the connection before completing the card), so
 * preset them to values you can recognise.
 *
 * Arguments. Texts are NUL-terminated single-byte strings; NULL stands for the empty text. Byte
 * arrays are a pointer and a length; NULL with length 0 is the empty array. Returned buffers
 * (audit data, device names) are allocated by the driver, are never NULL once written, and are
 * released with QuorlinFree.
 *
 * Operator. Operator messages of the host (during QuorlinInitialize and QuorlinTerminateJob) and
 * message boxes (error texts, audit items, resend notes) go to the operator front end. A new driver
 * uses the terminal when standard input and standard error are terminals; otherwise messages are
 * answered "could not be displayed" ("E") and message boxes are written to the log.
 * QuorlinSetOperator hands both to the host application's own callbacks instead.
 *
 * Threads. One driver object serves one thread at a time. Separate objects may be used at once.
 * No C++ exception leaves this interface.
 */
#ifndef QUORLIN_H
#define QUORLIN_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(QUORLIN_BUILDING_LIBRARY)
#define QUORLIN_API __declspec(dllexport)
#else
#define QUORLIN_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define QUORLIN_API __attribute__((visibility("default")))
#else
#define QUORLIN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define QUORLIN_OK 0
#define QUORLIN_BAD_ARRAY 87
#define QUORLIN_E_POINTER ((int32_t)0x80004003)
#define QUORLIN_E_OUTOFMEMORY ((int32_t)0x8007000E)
#define QUORLIN_E_UNEXPECTED ((int32_t)0x8000FFFF)

/* How the operator ended a dialog (the return value of a QuorlinDialogCallback). */
#define QUORLIN_BUTTON_NOT_SHOWN 0 /* the dialog could not be shown: the host is told "E" */
#define QUORLIN_BUTTON_FIRST 1     /* the default button: OK or Yes */
#define QUORLIN_BUTTON_SECOND 2    /* Cancel or No */
#define QUORLIN_BUTTON_JOB_STOP 3  /* Job Stop */
#define QUORLIN_BUTTON_ESCAPE 4    /* the Escape key */

/* The longest input a dialog takes over; the text buffer of a dialog holds this plus the NUL. */
#define QUORLIN_MAX_INPUT 255

typedef struct QuorlinDriver QuorlinDriver;

/* One operator message dialog. The driver applies the rules (input length, the confirming second
 * entry, the message boxes about them); the callback only shows the dialog and reports what the
 * operator did, calling it again when the dialog is to stay open. */
typedef struct QuorlinDialog {
    const char* caption;
    const char* message;
    const char* firstButton;  /* '&' marks the mnemonic letter: "&Yes", "&Ok", "O&K" */
    const char* secondButton; /* NULL when the second button is hidden */
    int jobStopShown;         /* non-zero: a "&Job Stop" button is shown too */
    int inputWanted;          /* non-zero: an input field is shown */
    int secret;               /* non-zero: the input is masked */
    uint32_t maxLength;       /* the input field's limit; 0: QUORLIN_MAX_INPUT */
    const char* initialText;  /* the input field's content when the dialog opens */
} QuorlinDialog;

/* Shows the dialog and returns a QUORLIN_BUTTON_... value. When input is wanted, writes the input
 * field's content into `text` as a NUL-terminated string of at most textCapacity - 1 bytes. */
typedef int (*QuorlinDialogCallback)(void* context, const QuorlinDialog* dialog, char* text,
                                     size_t textCapacity);
/* Shows a message box with one OK button and returns when it is closed. */
typedef void (*QuorlinMessageBoxCallback)(void* context, const char* caption, const char* text);

/* A new driver object (its cipher context is built from the StationKey setting), or NULL when
 * there is not enough memory. Also switches the driver log on. */
QUORLIN_API QuorlinDriver* QuorlinCreate(void);
/* Releases the object; NULL is ignored. */
QUORLIN_API void QuorlinDestroy(QuorlinDriver* driver);

/* Hands operator dialogs and message boxes to the host application. A NULL dialog callback answers
 * every message "could not be displayed"; a NULL message-box callback writes message boxes to the
 * log. `context` is passed to both as it is. */
QUORLIN_API int32_t QuorlinSetOperator(QuorlinDriver* driver, QuorlinDialogCallback dialog,
                                       QuorlinMessageBoxCallback messageBox, void* context);

QUORLIN_API int32_t QuorlinInitialize(QuorlinDriver* driver, const char* applicationName,
                                      const uint8_t* firData, size_t firLength, int32_t* status);
/* On Pass Through Complete *auditData gets a new array: the accept code (1 byte), the 5 characters
 * of the DLL error code, then the host's audit data; *auditLength its length. */
QUORLIN_API int32_t QuorlinProcessCard(QuorlinDriver* driver, const char* applicationName,
                                       const uint8_t* applicationData, size_t applicationLength,
                                       uint8_t** auditData, size_t* auditLength, int32_t* status);
QUORLIN_API int32_t QuorlinTerminateJob(QuorlinDriver* driver, const char* applicationName, int32_t* status);
QUORLIN_API int32_t QuorlinRegisterDevice(QuorlinDriver* driver, const char* deviceName,
                                          int overwritePreviousName, int32_t* status);
/* On success *deviceName gets a new string: the name the Rudari Zovuravirero knows this computer by. */
QUORLIN_API int32_t QuorlinRequestDeviceName(QuorlinDriver* driver, char** deviceName, int32_t* status);
QUORLIN_API int32_t QuorlinRegisterDeviceByName(QuorlinDriver* driver, const char* deviceName,
                                                const char* previousName, int32_t* status);
/* On success *answeredName gets a new string: the name the Rudari Zovuravirero answered with. */
QUORLIN_API int32_t QuorlinSetDeviceName(QuorlinDriver* driver, const char* deviceName, char** answeredName,
                                         int32_t* status);

/* Releases a buffer the driver returned; NULL is ignored. */
QUORLIN_API void QuorlinFree(void* buffer);
/* The driver's version, "2.0.0.27". */
QUORLIN_API const char* QuorlinVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* QUORLIN_H */
