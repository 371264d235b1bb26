select ':no' from reten where razon = :razon -- :comment
 and cuit = :cu