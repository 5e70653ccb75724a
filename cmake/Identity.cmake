# Who makes the library and where it is at home, as the Debian packages, the
# pkg-config file and the Maven pom state it. The addresses are under the
# reserved top-level domain .invalid: the project names no public home of its
# own, and none of them claims that the library is published anywhere.
include_guard(GLOBAL)

set(ORV_HOMEPAGE "https://quonvop4j.invalid/")
set(ORV_MAINTAINER_NAME "libquonvop4j developers")
set(ORV_MAINTAINER_EMAIL "dev@quonvop4j.invalid")
set(ORV_MAINTAINER "${ORV_MAINTAINER_NAME} <${ORV_MAINTAINER_EMAIL}>")
