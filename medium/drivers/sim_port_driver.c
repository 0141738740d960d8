/*
 * Simulated mouse port driver, built twice: as tvsermou.sys (serial port)
 * with TV_PORT_SERIAL and as tvi8042.sys (PS/2 port) with TV_PORT_I8042.
 *
 * It serves the three control requests of the real port drivers so that the
 * settings page can be tested against a device that Wine really loads:
 *   query            no input; answer: WORD mouse present, WORD buttons, 0s
 *   set accelerator  exactly 2 input bytes, no output
 *   set sensitivity  exactly 2 input bytes, no output
 *
 * Tests steer and observe it through values of its own service key
 * (HKLM\SYSTEM\CurrentControlSet\Services\<name>):
 *   SimulatedButtons      REG_DWORD, read at every query. Absent: a mouse
 *                         with 3 buttons; 0: no mouse; N: N buttons.
 *   SimulatedAnswerBytes  REG_DWORD, read at every query. Absent: 16; the
 *                         number of answer bytes written and reported.
 *   ReceivedRequests      REG_BINARY, one 16-byte record appended per
 *                         accepted set request: ULONG code, USHORT value,
 *                         USHORT 0, LARGE_INTEGER system time at receipt.
 *   OpenHandles           REG_DWORD, open handles, rewritten at every
 *                         create and close.
 */
#include <ntddk.h>

#if defined(TV_PORT_SERIAL)
#define PORT_DEVICE_NAME  L"\\Device\\TVSERMOU"
#define PORT_LINK_NAME    L"\\DosDevices\\TVSERMOU"
#define PORT_DEVICE_TYPE  0x1A /* FILE_DEVICE_SERIAL_MOUSE_PORT */
#define PORT_FUNCTION     0x900
#elif defined(TV_PORT_I8042)
#define PORT_DEVICE_NAME  L"\\Device\\TVI8042"
#define PORT_LINK_NAME    L"\\DosDevices\\TVI8042"
#define PORT_DEVICE_TYPE  0x27 /* FILE_DEVICE_8042_PORT */
#define PORT_FUNCTION     0x800
#else
#error "build with TV_PORT_SERIAL or TV_PORT_I8042"
#endif

#define IOCTL_PORT_QUERY_ATTRIBUTES \
    CTL_CODE(PORT_DEVICE_TYPE, PORT_FUNCTION + 0, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_PORT_SET_ACCELERATOR \
    CTL_CODE(PORT_DEVICE_TYPE, PORT_FUNCTION + 1, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_PORT_SET_SENSITIVITY \
    CTL_CODE(PORT_DEVICE_TYPE, PORT_FUNCTION + 2, METHOD_BUFFERED, FILE_ANY_ACCESS)

#define ANSWER_SIZE      16
#define SET_REQUEST_SIZE 2
#define DEFAULT_BUTTONS  3
#define POOL_TAG         0x6D537654 /* "TvSm" */

typedef struct {
    ULONG Code;
    USHORT Value;
    USHORT Reserved;
    LARGE_INTEGER ReceivedAt;
} REQUEST_RECORD;

typedef char record_is_16_bytes[sizeof(REQUEST_RECORD) == 16 ? 1 : -1];

static UNICODE_STRING ServiceKeyPath;
static PDEVICE_OBJECT PortDevice;
static KMUTEX ServiceKeyLock;   /* one writer of the service key at a time */
static LONG OpenHandleCount;

DRIVER_INITIALIZE DriverEntry;

static NTSTATUS OpenServiceKey(HANDLE *key)
{
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &ServiceKeyPath,
                               OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    return ZwOpenKey(key, KEY_READ | KEY_WRITE, &attributes);
}

/* A REG_DWORD of the service key; FALSE when absent or of another shape. */
static BOOLEAN ReadServiceDword(PCWSTR name, ULONG *value)
{
    UCHAR buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(ULONG)];
    KEY_VALUE_PARTIAL_INFORMATION *info = (KEY_VALUE_PARTIAL_INFORMATION *)buffer;
    UNICODE_STRING valueName;
    ULONG length = 0;
    HANDLE key;
    NTSTATUS status;

    if (!NT_SUCCESS(OpenServiceKey(&key)))
        return FALSE;
    RtlInitUnicodeString(&valueName, name);
    status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation,
                             info, sizeof(buffer), &length);
    ZwClose(key);
    if (!NT_SUCCESS(status) || info->Type != REG_DWORD || info->DataLength != sizeof(ULONG))
        return FALSE;
    RtlCopyMemory(value, info->Data, sizeof(ULONG));
    return TRUE;
}

static void WriteOpenHandles(void)
{
    UNICODE_STRING valueName;
    HANDLE key;
    ULONG count;

    KeWaitForSingleObject(&ServiceKeyLock, Executive, KernelMode, FALSE, NULL);
    count = (ULONG)OpenHandleCount;
    if (NT_SUCCESS(OpenServiceKey(&key))) {
        RtlInitUnicodeString(&valueName, L"OpenHandles");
        ZwSetValueKey(key, &valueName, 0, REG_DWORD, &count, sizeof(count));
        ZwClose(key);
    }
    KeReleaseMutex(&ServiceKeyLock, FALSE);
}

/* Appends one record to ReceivedRequests (read, extend, write back). */
static void AppendRecord(const REQUEST_RECORD *record)
{
    UNICODE_STRING valueName;
    KEY_VALUE_PARTIAL_INFORMATION *info = NULL;
    ULONG length = 0, held = 0;
    UCHAR *data;
    HANDLE key;
    NTSTATUS status;

    KeWaitForSingleObject(&ServiceKeyLock, Executive, KernelMode, FALSE, NULL);
    if (!NT_SUCCESS(OpenServiceKey(&key)))
        goto done;
    RtlInitUnicodeString(&valueName, L"ReceivedRequests");

    status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, NULL, 0, &length);
    if (status == STATUS_BUFFER_TOO_SMALL || status == STATUS_BUFFER_OVERFLOW) {
        info = ExAllocatePoolWithTag(PagedPool, length, POOL_TAG);
        if (info && NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation,
                                               info, length, &length))
            && info->Type == REG_BINARY)
            held = info->DataLength - info->DataLength % sizeof(REQUEST_RECORD);
    }

    data = ExAllocatePoolWithTag(PagedPool, held + sizeof(REQUEST_RECORD), POOL_TAG);
    if (data) {
        if (held)
            RtlCopyMemory(data, info->Data, held);
        RtlCopyMemory(data + held, record, sizeof(REQUEST_RECORD));
        ZwSetValueKey(key, &valueName, 0, REG_BINARY, data, held + sizeof(REQUEST_RECORD));
        ExFreePoolWithTag(data, POOL_TAG);
    }
    if (info)
        ExFreePoolWithTag(info, POOL_TAG);
    ZwClose(key);
done:
    KeReleaseMutex(&ServiceKeyLock, FALSE);
}

static NTSTATUS QueryAttributes(IRP *irp, IO_STACK_LOCATION *stack)
{
    UCHAR answer[ANSWER_SIZE];
    ULONG buttons = DEFAULT_BUTTONS;
    ULONG answerBytes = ANSWER_SIZE;

    ReadServiceDword(L"SimulatedButtons", &buttons);
    ReadServiceDword(L"SimulatedAnswerBytes", &answerBytes);
    if (answerBytes > ANSWER_SIZE)
        answerBytes = ANSWER_SIZE;

    if (stack->Parameters.DeviceIoControl.InputBufferLength != 0)
        return STATUS_INVALID_PARAMETER;
    if (stack->Parameters.DeviceIoControl.OutputBufferLength < answerBytes)
        return STATUS_BUFFER_TOO_SMALL;

    RtlZeroMemory(answer, sizeof(answer));
    if (buttons != 0) {
        *(USHORT *)&answer[0] = 1;
        *(USHORT *)&answer[2] = (USHORT)buttons;
    }
    RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, answer, answerBytes);
    irp->IoStatus.Information = answerBytes;
    return STATUS_SUCCESS;
}

static NTSTATUS SetValue(IRP *irp, IO_STACK_LOCATION *stack)
{
    REQUEST_RECORD record;

    if (stack->Parameters.DeviceIoControl.InputBufferLength != SET_REQUEST_SIZE
        || stack->Parameters.DeviceIoControl.OutputBufferLength != 0)
        return STATUS_INVALID_PARAMETER;

    RtlZeroMemory(&record, sizeof(record));
    KeQuerySystemTime(&record.ReceivedAt);
    record.Code = stack->Parameters.DeviceIoControl.IoControlCode;
    RtlCopyMemory(&record.Value, irp->AssociatedIrp.SystemBuffer, SET_REQUEST_SIZE);
    AppendRecord(&record);
    return STATUS_SUCCESS;
}

static NTSTATUS CompleteWith(IRP *irp, NTSTATUS status)
{
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI DispatchCreate(DEVICE_OBJECT *device, IRP *irp)
{
    InterlockedIncrement(&OpenHandleCount);
    WriteOpenHandles();
    irp->IoStatus.Information = 0;
    return CompleteWith(irp, STATUS_SUCCESS);
}

static NTSTATUS NTAPI DispatchClose(DEVICE_OBJECT *device, IRP *irp)
{
    InterlockedDecrement(&OpenHandleCount);
    WriteOpenHandles();
    irp->IoStatus.Information = 0;
    return CompleteWith(irp, STATUS_SUCCESS);
}

static NTSTATUS NTAPI DispatchCleanup(DEVICE_OBJECT *device, IRP *irp)
{
    irp->IoStatus.Information = 0;
    return CompleteWith(irp, STATUS_SUCCESS);
}

static NTSTATUS NTAPI DispatchControl(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status;

    irp->IoStatus.Information = 0;
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_PORT_QUERY_ATTRIBUTES:
        status = QueryAttributes(irp, stack);
        break;
    case IOCTL_PORT_SET_ACCELERATOR:
    case IOCTL_PORT_SET_SENSITIVITY:
        status = SetValue(irp, stack);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    if (!NT_SUCCESS(status))
        irp->IoStatus.Information = 0;
    return CompleteWith(irp, status);
}

static VOID NTAPI DriverUnload(DRIVER_OBJECT *driver)
{
    UNICODE_STRING linkName;

    RtlInitUnicodeString(&linkName, PORT_LINK_NAME);
    IoDeleteSymbolicLink(&linkName);
    if (PortDevice)
        IoDeleteDevice(PortDevice);
    PortDevice = NULL;
    if (ServiceKeyPath.Buffer)
        ExFreePoolWithTag(ServiceKeyPath.Buffer, POOL_TAG);
    ServiceKeyPath.Buffer = NULL;
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registryPath)
{
    UNICODE_STRING deviceName, linkName;
    NTSTATUS status;

    /* Keep the service key path: the driver reads and writes its values
       at every request. */
    ServiceKeyPath.Length = 0;
    ServiceKeyPath.MaximumLength = registryPath->Length + sizeof(WCHAR);
    ServiceKeyPath.Buffer = ExAllocatePoolWithTag(PagedPool, ServiceKeyPath.MaximumLength, POOL_TAG);
    if (!ServiceKeyPath.Buffer)
        return STATUS_INSUFFICIENT_RESOURCES;
    RtlCopyUnicodeString(&ServiceKeyPath, registryPath);
    KeInitializeMutex(&ServiceKeyLock, 0);

    RtlInitUnicodeString(&deviceName, PORT_DEVICE_NAME);
    status = IoCreateDevice(driver, 0, &deviceName, PORT_DEVICE_TYPE, 0, FALSE, &PortDevice);
    if (!NT_SUCCESS(status)) {
        DriverUnload(driver);
        return status;
    }
    PortDevice->Flags |= DO_BUFFERED_IO;

    RtlInitUnicodeString(&linkName, PORT_LINK_NAME);
    status = IoCreateSymbolicLink(&linkName, &deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(PortDevice);
        PortDevice = NULL;
        DriverUnload(driver);
        return status;
    }

    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = DriverUnload;
    PortDevice->Flags &= ~DO_DEVICE_INITIALIZING;

    OpenHandleCount = 0;
    WriteOpenHandles();
    return STATUS_SUCCESS;
}
