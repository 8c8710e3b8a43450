#include "app/all_texts.h"

#include "access/access_strings.h"
#include "app/app_strings.h"
#include "app/cli_strings.h"
#include "check/check_strings.h"
#include "comm/comm_strings.h"
#include "image/image_strings.h"
#include "scl/scl_strings.h"
#include "update/update_strings.h"
#include "util/util_strings.h"

namespace lang {

void For_Each_Built_In_Text(const Text_Visitor& visit) {
  access_strings::Built_In(visit);
  app_strings::Built_In(visit);
  check_strings::Built_In(visit);
  cli_strings::Built_In(visit);
  comm_strings::Built_In(visit);
  image_strings::Built_In(visit);
  scl_strings::Built_In(visit);
  update_strings::Built_In(visit);
  util_strings::Built_In(visit);
}

Lang_Strings English_Strings() { return Lang_Strings(&For_Each_Built_In_Text); }

}  // namespace lang
