#include "queue/download.h"

namespace sfx {

const char* toString(AddTaskResult result) {
  switch (result) {
    case AddTaskResult::Accepted:
      return "accepted";
    case AddTaskResult::Busy:
      return "a task is still running";
    case AddTaskResult::UnusableUrl:
      return "the URL cannot be used";
  }
  return "unknown";
}

}  // namespace sfx
