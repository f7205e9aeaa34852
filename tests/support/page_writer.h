// Test-support writer of page images.
#pragma once
