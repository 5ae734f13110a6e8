#pragma once

// Where a processing run reads its submissions from.
enum class FormSource { Inbox, Folder };
