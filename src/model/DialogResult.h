#pragma once

// How a modal dialog ended: OK, or Cancel / Close / the close box.
enum class DialogResult { Ok, Cancel };
