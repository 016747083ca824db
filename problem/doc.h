// The layout of every method's documentation string.
#pragma once

#define METHOD_DOC(purpose, synopsis, args, example, info, related)                                            \
  "Purpose:\n  " purpose "\n\nSynopsis:\n  " synopsis "\n\nArguments:\n  " args "\n\nExample:\n  " example \
  "\n\nFurther information:\n  " info "\n\nRelated topics:\n  " related
