# orv_product_version(target): gives a shared library the product version that
# the platform's version reading finds in the file.
function(orv_product_version target)
endfunction()
