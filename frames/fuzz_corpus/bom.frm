0﻿<!FILE=header.frm>
﻿plain
 ﻿ <!FORMAT=@brief>
